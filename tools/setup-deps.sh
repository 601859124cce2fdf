#!/usr/bin/env bash
# Installs the Debian packages Tarnview builds and tests with, only those
# that are missing. Usage: tools/setup-deps.sh [--no-update]
#   --no-update  do not run "apt-get update" first (the caller already did)
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config  # compiler and build
  libsdl2-dev                                   # the window and its input
  libgtest-dev libgmock-dev                     # tests
  libbenchmark-dev                              # micro-benchmarks under bench/
  libstb-dev                                    # PNG screenshots, image import
  libhwy-dev                                    # vector pixel stages (Highway, run-time ISA choice)
  libpng-dev                                    # PNG reading in the tools
  libassimp-dev                                 # mesh import in the content tools
  libfreetype-dev fonts-dejavu-core             # the font tool
  clang libclang-rt-dev                         # libFuzzer targets
  xvfb xauth                                    # trying the window without a display
  xfonts-base                                   # the fonts SDL's message boxes need under Xvfb
  xdotool                                       # synthesized keys and mouse for the window's tests
)

update=1
for arg in "$@"; do
  case "$arg" in
    --no-update) update=0 ;;
    -h|--help) sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "setup-deps.sh: unknown option $arg (try --help)" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup-deps: all ${#PACKAGES[@]} packages are installed"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
  else
    echo "setup-deps: missing ${missing[*]}; run as root to install them" >&2
    exit 1
  fi
fi

echo "setup-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if [ "$update" -eq 1 ]; then
  $SUDO apt-get update
fi
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
