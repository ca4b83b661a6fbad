# Sourced by the scripts that install Debian packages they need:
#
#   apt_update             "apt-get update", once per script run
#   need_root WHAT         stops (die) unless running as root
#   ensure_packages PKG... installs those not installed, with the i386
#                          architecture added first when one of them asks
#                          for it
#
# The caller defines die; say, if defined, reports each step.
apt_updated=0
apt_update() {
    [ "$apt_updated" = 1 ] && return 0
    ! declare -F say >/dev/null || say "apt-get update"
    apt-get update -qq || die "apt-get update failed"
    apt_updated=1
}

need_root() {
    [ "$(id -u)" = 0 ] || die "$1 needs root; run this script as root once (or do it by hand)"
}

ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
            missing+=("$p")
    done
    [ ${#missing[@]} = 0 ] && return 0
    need_root "installing ${missing[*]}"
    if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        apt_updated=0
    fi
    apt_update
    ! declare -F say >/dev/null || say "installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
        die "could not install ${missing[*]}"
}
