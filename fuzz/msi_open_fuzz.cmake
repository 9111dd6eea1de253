# The storage layer's fuzz target, for fuzz/CMakeLists.txt (its vx_fuzz_target also builds the
# replay program that CTest runs over corpus/msi_open):
#   vx_fuzz_target(msi_open_fuzz SOURCES msi_open_fuzz.cpp LIBRARIES vx_msi_storage vx_sys)
# Fuzzing by hand, without CMake (clang 14):
#   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I. fuzz/msi_open_fuzz.cpp \
#     platform/msi/storage/*.cpp platform/sys/wide_string.cpp platform/sys/format_string.cpp \
#     platform/sys/win32_errors.cpp -o /tmp/msi_open_fuzz
#   mkdir -p /tmp/msi_open_work && /tmp/msi_open_fuzz -max_len=65536 -timeout=10 \
#     /tmp/msi_open_work fuzz/corpus/msi_open
