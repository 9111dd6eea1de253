// A loadable library that exports no DllGetClassObject, for the loader's tests.
extern "C" __attribute__((visibility("default"))) int NotAServiceModule() {
    return 7;
}
