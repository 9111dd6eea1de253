#!/usr/bin/env bash
# Before configuring: every pkg-config module and CMake package that the build files require is
# present, else names the Debian package that brings it. The list of requirements is read from
# the build files themselves, so a new requirement without a known package fails here too.
set -euo pipefail
cd "$(dirname "$0")/.."

# What the build files ask for -> the Debian package that provides it.
declare -A pkgconfig_package=(
  [libmsi-1.0]=libmsi-dev [gio-2.0]=libglib2.0-dev [glib-2.0]=libglib2.0-dev
  [gobject-2.0]=libglib2.0-dev [libgsf-1]=libgsf-1-dev [libmspack]=libmspack-dev
  [sqlite3]=libsqlite3-dev [icu-uc]=libicu-dev [icu-i18n]=libicu-dev [libcrypto]=libssl-dev
)
declare -A cmake_package=(
  [Qt6]=qt6-base-dev [Qt6Widgets]=qt6-base-dev [Qt6Test]=qt6-base-dev [Qt6Gui]=qt6-base-dev
  [Qt6Core]=qt6-base-dev [Qt6UiTools]=qt6-tools-dev [Qt6LinguistTools]=qt6-tools-dev
  [GTest]=libgtest-dev [benchmark]=libbenchmark-dev [nlohmann_json]=nlohmann-json3-dev
)
# FindXXX modules of CMake itself, checked through the program they look for.
declare -A cmake_program=([PkgConfig]=pkg-config [Python3]=python3 [Threads]=true)

build_files=$(find . -path ./build -prune -o \( -name CMakeLists.txt -o -name '*.cmake' \) -print)
missing=()
unknown=()

# pkg_check_modules(<prefix> [REQUIRED] [QUIET] [IMPORTED_TARGET] [GLOBAL] module...)
modules=$(grep -ho 'pkg_check_modules([^)]*)' $build_files |
  sed -E 's/pkg_check_modules\(\s*[A-Za-z0-9_]+//; s/\)//; s/\b(REQUIRED|QUIET|IMPORTED_TARGET|GLOBAL|NO_CMAKE_PATH|NO_CMAKE_ENVIRONMENT_PATH)\b//g' |
  tr ' ' '\n' | sed '/^$/d' | sort -u)
for module in $modules; do
  if [ -z "${pkgconfig_package[$module]:-}" ]; then unknown+=("pkg-config module $module"); continue; fi
  # --exists also walks the module's own requirements (libmsi-1.0 needs gio-2.0).
  if ! pkg-config --exists "$module" 2>/dev/null; then
    need=$(pkg-config --print-errors --exists "$module" 2>&1 |
      sed -nE "s/.*Package '([^']+)'.*not found.*/\1/p" | head -1 || true)
    need=${need:-$module}
    missing+=("${pkgconfig_package[$need]:-${pkgconfig_package[$module]}} (pkg-config module $need)")
  fi
done

# find_package(<Name> ... [COMPONENTS a b]) -> <Name> and <Name><component> config files.
while read -r line; do
  name=$(sed -E 's/find_package\(\s*([A-Za-z0-9_]+).*/\1/' <<<"$line")
  components=$(sed -nE 's/.*COMPONENTS ([^)]*)\).*/\1/p' <<<"$line" | sed -E 's/\b(Interpreter|REQUIRED)\b//g')
  if [ -n "${cmake_program[$name]:-}" ]; then
    command -v "${cmake_program[$name]}" >/dev/null ||
      missing+=("${cmake_program[$name]} (for CMake's Find$name)")
    continue
  fi
  for package in "$name" $(for c in $components; do echo "$name$c"; done); do
    if [ -z "${cmake_package[$package]:-}" ]; then unknown+=("CMake package $package"); continue; fi
    if ! find /usr/lib /usr/share /usr/local/lib -maxdepth 4 -ipath "*/cmake/$package/*onfig.cmake" \
         2>/dev/null | grep -q .; then
      missing+=("${cmake_package[$package]} (CMake package $package)")
    fi
  done
done < <(grep -ho 'find_package([^)]*)' $build_files | sort -u)

status=0
if [ ${#unknown[@]} -gt 0 ]; then
  printf 'check-deps: the build files require %s, which scripts/check-deps.sh does not know: add its Debian package to its tables (and to install-deps.sh)\n' "${unknown[@]}" >&2
  status=1
fi
if [ ${#missing[@]} -gt 0 ]; then
  printf 'check-deps: missing: %s\n' "${missing[@]}" | sort -u >&2
  echo "check-deps: install them with apt-get install, or run scripts/install-deps.sh" >&2
  status=1
fi
[ $status -eq 0 ] && echo "check-deps: every module and package the build files require is present"
exit $status
