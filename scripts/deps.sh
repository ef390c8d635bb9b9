# Shared by run.sh and test.sh: installs the Debian packages the build needs
# when they are missing (as root), or says what to install.
DARURI_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev
                 libgl-dev qt6-translations-l10n libgtest-dev googletest)

# The locks apt and dpkg hold while they work (another apt-get, unattended
# upgrades, a software centre), and how long we wait for them, in seconds.
APT_LOCKS=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock /var/cache/apt/archives/lock)
APT_WAIT=${APT_WAIT:-600}
APT_WAIT_SAID=

# True while some process holds (or waits for) one of the locks. /proc/locks
# lists fcntl and flock locks alike as major:minor:inode of the locked file.
apt_locked() {
  local f dev id
  for f in "${APT_LOCKS[@]}"; do
    dev=$(stat -c %D "$f" 2>/dev/null) || continue
    dev=$((16#$dev))
    id=$(printf '%02x:%02x:%s' $(((dev >> 8) & 0xfff)) $(((dev & 0xff) | ((dev >> 12) & 0xfff00))) \
           "$(stat -c %i "$f")")
    grep -q " $id " /proc/locks 2>/dev/null && return 0
  done
  return 1
}

wait_for_apt() {
  local waited=0
  while apt_locked; do
    if [ -z "$APT_WAIT_SAID" ]; then
      echo "Another package manager is at work; waiting up to $APT_WAIT s for it to finish..."
      APT_WAIT_SAID=1
    fi
    if [ "$waited" -ge "$APT_WAIT" ]; then
      echo "The package manager is still busy after $APT_WAIT s; try again later." >&2
      exit 1
    fi
    sleep 2
    waited=$((waited + 2))
  done
}

ensure_deps() {
  local missing=()
  for p in "${DARURI_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    wait_for_apt
    # apt-get update does not wait for the lists lock by itself: one that
    # another program took just now means waiting again, any other failure ends.
    local log
    until log=$(apt-get update -qq -o DPkg::Lock::Timeout="$APT_WAIT" 2>&1); do
      apt_locked || { printf '%s\n' "$log" >&2; echo "apt-get update failed" >&2; exit 1; }
      wait_for_apt
    done
    [ -z "$log" ] || printf '%s\n' "$log" >&2
    wait_for_apt
    apt-get install -y -qq -o DPkg::Lock::Timeout="$APT_WAIT" "${missing[@]}" \
      || { echo "apt-get install failed: ${missing[*]}" >&2; exit 1; }
  else
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
}
