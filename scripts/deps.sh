# Sourced by the scripts: installs the Debian packages the build and the tests need, when any is missing.
pelmo_packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libboost-regex-dev libicu-dev nlohmann-json3-dev libsqlite3-dev libxlsxwriter-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk qt6-translations-l10n
  libssl-dev
  python3 python3-openpyxl openssl curl time
)

# What scripts/package needs beyond the build: dpkg-shlibdeps for the package's dependencies and
# the desktop-entry validator.
pelmo_package_tools=(dpkg-dev desktop-file-utils)

# What scripts/fuzz needs on top: Clang with libFuzzer and the sanitizer runtimes.
pelmo_fuzz_packages=(clang libclang-rt-14-dev)

pelmo_ensure_packages() {
  local missing=()
  local package
  for package in "${pelmo_packages[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# Configures and builds into the given folder; extra arguments go to CMake.
pelmo_build() {
  local folder=$1
  shift
  cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$folder"
}
