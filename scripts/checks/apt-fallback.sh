#!/usr/bin/env bash
# The set-up's apt logic (scripts/apt-lib.sh) against a fake apt-get that
# plays a mirror in mid-sync: the calls it makes and how each case ends.
# Needs no network and changes nothing on the machine.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The machine's sources: deb822 files and a one-line list.
src="$work/etc"
mkdir -p "$src/sources.list.d"
cat >"$src/sources.list.d/debian.sources" <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
# the security archive
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\n' \
  >"$src/sources.list.d/bookworm-backports.sources"
printf '%s\n' '# local additions' 'deb [arch=amd64 trusted=yes] http://mirror.example/debian-security bookworm-security main' \
  'deb http://mirror.example/extra bookworm-extra main' >"$src/sources.list"
before=$(cd "$src" && find . -type f -exec sha256sum {} + | sort)

# The fake apt-get: plays the next outcome of its verb (the last one
# repeats) and writes one line per call to calls: the verb, "alt[suites]"
# when given a source list of its own, and the packages.
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
verb="" parts="" list="" packages=""
for a in "$@"; do
  case "$a" in
    update|install) verb=$a ;;
    Dir::Etc::SourceParts=*) parts=${a#*=} ;;
    Dir::Etc::SourceList=*) list=${a#*=} ;;
    --allow-downgrades|--allow-remove-essential|--force-yes) echo "refused option $a" >>"$FAKE/calls" ;;
    -*|Dir::*|bookworm-backports) ;;
    *) packages+=" $a" ;;
  esac
done
line=$verb
if [ -n "$parts" ]; then
  suites=$( (sed -n 's/^Suites: *//p' "$parts"/*.sources; awk '$1 == "deb" {print $(NF - 1)}' "$list" "$parts"/*.list) 2>/dev/null | xargs)
  line+=" alt[$suites]"
fi
echo "$line$packages" >>"$FAKE/calls"
n=$(grep -c "^$verb" "$FAKE/calls")
outcome=$(sed -n "${n}p" "$FAKE/$verb")
[ -n "$outcome" ] || outcome=$(tail -1 "$FAKE/$verb")
case "$outcome" in
  ok) exit 0 ;;
  fail) echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead." ;;
  broken) printf '%s\n' "The following packages have unmet dependencies:" \
            " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed" \
            "E: Unable to correct problems, you have held broken packages." ;;
  downgrade) printf '%s\n' "The following packages will be DOWNGRADED:" "  libssl3 zlib1g" \
               "E: Packages were downgraded and -y was used without --allow-downgrades." ;;
  remove) printf '%s\n' "The following packages will be REMOVED:" "  libgstreamer-plugins-base1.0-0 libwine wine64" \
            "The following NEW packages will be installed:" "  gcc-12-base:i386" \
            "E: Packages need to be removed but remove is disabled." ;;
esac
exit 100
EOF
chmod +x "$work/bin/apt-get"

# The suites of the lists that agree: the failed security suite left out.
ALT="bookworm-backports bookworm bookworm-updates bookworm-extra"
# name | update's outcomes | install's outcomes | exit | the calls | a part of the messages
cases=(
  "update fails once, then works|fail ok|ok|0|update;update;install wine32:i386|try 1 of 3"
  "update always fails, the install works|fail|ok|0|update;update;update;install wine32:i386|binary-i386/Packages.xz"
  "skew once, then the lists without the failed suite|fail fail fail ok|broken ok|0|update;update;update;install wine32:i386;update alt[$ALT];install alt[$ALT] wine32:i386|without bookworm-security"
  "skew after a good update: the security suite left out|ok|broken ok|0|update;install wine32:i386;update alt[$ALT];install alt[$ALT] wine32:i386|without bookworm-security"
  "nothing works|fail|broken|1|update;update;update;install wine32:i386;update alt[$ALT];update alt[$ALT];update alt[$ALT]|dists/bookworm-security/main/binary-i386/Packages.xz.*try again later"
  "only a downgrade would help|fail fail fail ok|broken downgrade|1|update;update;update;install wine32:i386;update alt[$ALT];install alt[$ALT] wine32:i386|never does: libssl3 zlib1g"
  "only a removal would help|fail fail fail ok|broken remove|1|update;update;update;install wine32:i386;update alt[$ALT];install alt[$ALT] wine32:i386|never does: libgstreamer-plugins-base1.0-0 libwine wine64 test:"
)

failed=0
for c in "${cases[@]}"; do
  IFS='|' read -r name updates installs want calls message <<<"${c//\$ALT/$ALT}"
  export FAKE="$work/case"
  rm -rf "$FAKE" "$work/tmp"; mkdir -p "$FAKE" "$work/tmp"
  tr ' ' '\n' <<<"$updates" >"$FAKE/update"
  tr ' ' '\n' <<<"$installs" >"$FAKE/install"
  : >"$FAKE/calls"
  rc=0
  out=$(PATH="$work/bin:$PATH" TMPDIR="$work/tmp" SUDO="" APT_WHO=test APT_RETRY_PAUSE=0 \
        APT_SOURCE_LIST="$src/sources.list" APT_SOURCE_PARTS="$src/sources.list.d" \
        bash -c '. "$1/scripts/apt-lib.sh"; apt_install wine32:i386' _ "$ROOT" 2>&1) || rc=$?
  got=$(paste -sd ';' "$FAKE/calls")
  problems=()
  [ "$rc" = "$want" ] || problems+=("exit $rc, expected $want")
  [ "$got" = "$calls" ] || problems+=("calls: $got" "expected: $calls")
  tr '\n' ' ' <<<"$out" | grep -qE -- "$message" || problems+=("no message matching \"$message\"")
  [ -z "$(ls -A "$work/tmp")" ] || problems+=("temporary files left behind")
  [ "$(cd "$src" && find . -type f -exec sha256sum {} + | sort)" = "$before" ] || problems+=("the sources were changed")
  [ ${#problems[@]} -eq 0 ] && echo "ok: $name" && continue
  printf '%s\n' "FAIL: $name" "${problems[@]/#/    }" "    output:" "      ${out//$'\n'/$'\n'      }"
  failed=1
done
[ $failed -eq 0 ]
