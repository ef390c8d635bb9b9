# Shared by run.sh and test.sh: installs the Debian packages the build needs
# when they are missing (as root), or says what to install.
DARURI_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev
                 libgl-dev qt6-translations-l10n libgtest-dev googletest)

ensure_deps() {
  local missing=()
  for p in "${DARURI_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq || { echo "apt-get update failed" >&2; exit 1; }
    apt-get install -y -qq "${missing[@]}" || { echo "apt-get install failed: ${missing[*]}" >&2; exit 1; }
  else
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
}
