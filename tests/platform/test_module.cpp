// A module that exports one function, for the dynamic-library tests.
extern "C" __attribute__((visibility("default"))) int TestModuleAnswer() {
    return 42;
}
