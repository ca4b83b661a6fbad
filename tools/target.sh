# Sourced by every entry script: the one place that decides which Windows
# target this machine builds, runs and tests.
#
#   i686    the shipped 32-bit Orlenza.exe; chosen where the kernel runs
#           32-bit Linux programs, because the 32-bit Wine loader is one.
#   x86_64  chosen where it does not (some of our build machines have no
#           32-bit support in the kernel at all: every 32-bit program fails
#           with "Exec format error"). The 64-bit Windows build is tested
#           there, under the 64-bit Wine loader.
#
# ORLENZA_ARCH=i686|x86_64 overrides the choice. Exports ORLENZA_ARCH and
# ORLENZA_TARGET_BUILD, the target's build tree below ORLENZA_BUILD.

# Runs a 93-byte static 32-bit ELF program that only calls exit(0) through
# int 0x80. It needs no i386 library, so it answers before anything is
# installed, and it fails exactly where Wine's 32-bit loader would.
orlenza_runs_32bit() {
  local probe status
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'`
        `'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'`
        `'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'`
        `'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'`
        `'\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00'`
        `'\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1 && status=0 || status=1
  rm -f "$probe"
  return $status
}

: "${ORLENZA_BUILD:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export ORLENZA_BUILD

if [[ -z "${ORLENZA_ARCH:-}" ]]; then
  if orlenza_runs_32bit; then ORLENZA_ARCH=i686; else ORLENZA_ARCH=x86_64; fi
  orlenza_arch_how="this machine's choice"
else
  orlenza_arch_how="set by ORLENZA_ARCH"
fi
case "$ORLENZA_ARCH" in
  i686)
    if ! orlenza_runs_32bit; then
      echo "ORLENZA_ARCH=i686 cannot run here: this machine's kernel runs no 32-bit programs (use x86_64)." >&2
      exit 1
    fi ;;
  x86_64) ;;
  *) echo "ORLENZA_ARCH must be i686 or x86_64, not '$ORLENZA_ARCH'." >&2; exit 1 ;;
esac
export ORLENZA_ARCH
export ORLENZA_TARGET_BUILD="$ORLENZA_BUILD/$ORLENZA_ARCH"

# Prints the target as the first line of every entry script.
orlenza_say_target() {
  if [[ "$ORLENZA_ARCH" == i686 ]]; then
    echo "Target: i686, the 32-bit Windows build ($orlenza_arch_how), in $ORLENZA_TARGET_BUILD"
  else
    echo "Target: x86_64, the 64-bit Windows build ($orlenza_arch_how), in $ORLENZA_TARGET_BUILD;" \
      "the shipped 32-bit build is compiled too, in $ORLENZA_BUILD/i686"
  fi
}
