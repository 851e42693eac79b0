# Debian 12 packages the build, the tests and the tools need. Sourced by the
# setup and test scripts; installs only what is missing.
CV_PACKAGES=(
  cmake make g++ pkg-config git ca-certificates procps
  qtbase5-dev                        # Qt 5.15 Core and Xml
  qtdeclarative5-dev qtdeclarative5-dev-tools  # the QML module; qmlplugindump for its qmltypes
  qml-module-qtquick2 qml-module-qttest qml-module-qtquick-controls2 qml-module-qtquick-layouts
  qml-module-qtquick-window2         # QML tests and the example screen
  qt6-base-dev qt6-declarative-dev qt6-declarative-dev-tools  # the Qt 6 build: Core, Xml, Qml, Quick, QuickTest
  qml6-module-qtquick qml6-module-qttest qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-window qml6-module-qtqml-workerscript qml6-module-qtquick-templates
  qml6-module-qtqml qml6-module-qtqml-models  # its QML tests, the example and qmlplugindump
  libssl-dev                         # OpenSSL: cvdata, and the oracle in tests
  libgmp-dev libbenchmark-dev        # benchmark anchors
  clang-14 libfuzzer-14-dev          # fuzz targets
  clang-format-14                    # the format check
  help2man                           # the tools' man pages, from their --help
  man-db                             # the newcomer stage reads the installed man pages
  lintian binutils                   # the Debian packages' check
  doxygen                            # the API documentation
  g++-mingw-w64-x86-64 wine64        # the Windows build, run under Wine
  dpkg-dev perl python3 xz-utils     # Qt for MinGW-w64, built from Debian's source
)

# What the first README command needs: the library, cvdata (which packs the
# sample product files) and cvconf.
CV_SHOW_PACKAGES=(cmake make g++ pkg-config ca-certificates qtbase5-dev libssl-dev)

# cv_install_deps [PACKAGE...]: the packages named, or all of the list above.
cv_install_deps() {
  local missing=() wanted=("$@")
  [ ${#wanted[@]} -gt 0 ] || wanted=("${CV_PACKAGES[@]}")
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "need root (or sudo) to install: ${missing[*]}" >&2; return 1; }
    sudo=sudo
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
