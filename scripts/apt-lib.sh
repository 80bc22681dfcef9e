# shellcheck shell=bash
# Sourced by the set-up scripts: apt-get through a package mirror that may be
# in the middle of a sync. An index that fails to download does not end the
# set-up; the install decides. When an install fails on broken dependencies
# (an i386 library whose index failed while its amd64 twin comes from that
# suite: multiarch packages need equal versions), it is tried once more with
# package lists that agree for both architectures, the suites that failed
# left out, in a temporary source list and lists folder: the machine's own
# sources and lists stay as they are. Nothing is ever downgraded or removed.
#
#   apt_update                 apt-get update, retried; failed indexes named
#   apt_install ARGS...        apt-get install ARGS (options and packages);
#                              returns 1 with a message when nothing works
#
# The caller sets SUDO ("" or "sudo") and APT_WHO (the message prefix).
# Overridable: APT_SOURCE_LIST, APT_SOURCE_PARTS (the machine's sources),
# APT_UPDATE_TRIES, APT_RETRY_PAUSE (seconds).

APT_SOURCE_LIST=${APT_SOURCE_LIST:-/etc/apt/sources.list}
APT_SOURCE_PARTS=${APT_SOURCE_PARTS:-/etc/apt/sources.list.d}
APT_UPDATE_TRIES=${APT_UPDATE_TRIES:-3}
APT_RETRY_PAUSE=${APT_RETRY_PAUSE:-10}
APT_UPDATED=0
APT_FAILED_INDEXES=""  # the URLs of the indexes apt_update could not fetch
_apt_last_failed=""

_apt_say() { echo "${APT_WHO:-apt}: $*" >&2; }

_apt_get() { ${SUDO:-} env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }

# The indexes named by apt's "E: Failed to fetch URL ..." lines in a log.
_apt_failed_fetches() { sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$1" | sort -u; }

# The suites of those URLs (".../dists/SUITE/...").
_apt_suites_of() { sed -n 's|.*/dists/\([^/]*\)/.*|\1|p' <<<"$1" | sort -u; }

# apt-get update with the given options, tried APT_UPDATE_TRIES times. Sets
# _apt_last_failed; returns 0 when one try worked.
_apt_update_tries() {
  local log try
  log=$(mktemp)
  _apt_last_failed=""
  for ((try = 1; try <= APT_UPDATE_TRIES; try++)); do
    if _apt_get update -qq "$@" >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    _apt_last_failed=$(_apt_failed_fetches "$log")
    if [ "$try" -lt "$APT_UPDATE_TRIES" ]; then
      _apt_say "apt-get update failed (try $try of $APT_UPDATE_TRIES), trying again in $APT_RETRY_PAUSE s"
      sleep "$APT_RETRY_PAUSE"
    fi
  done
  _apt_say "apt-get update failed $APT_UPDATE_TRIES times:"
  grep '^E:' "$log" | grep -v 'Some index files failed to download' | sed 's/^/    /' >&2 || true
  rm -f "$log"
  return 1
}

apt_update() {
  [ "$APT_UPDATED" -eq 1 ] && return 0
  _apt_update_tries ||
    _apt_say "going on with the package lists as they are; the install shows whether they suffice"
  APT_FAILED_INDEXES=$_apt_last_failed
  APT_UPDATED=1
}

# An awk function: the suite of a one-line source ("deb [options] URI SUITE
# COMPONENTS...").
_APT_SUITE_AWK='function suite(  f) { f = 2; if ($f ~ /^\[/) { while (f <= NF && $f !~ /\]$/) f++; f++ } return $(f + 1) }'

# The one-line sources (sources.list, *.list) in $1 without the suites named
# in $2 (one a line).
_apt_drop_oneline() {
  awk -v drop="$2" "$_APT_SUITE_AWK"'
    BEGIN { n = split(drop, d, "\n"); for (i = 1; i <= n; i++) if (d[i] != "") gone[d[i]] = 1 }
    ($1 == "deb" || $1 == "deb-src") && suite() in gone { next }
    { print }' "$1"
}

# The deb822 sources (*.sources) in $1 without the suites named in $2; a
# stanza left with no suite goes.
_apt_drop_deb822() {
  awk -v drop="$2" '
    BEGIN { n = split(drop, d, "\n"); for (i = 1; i <= n; i++) if (d[i] != "") gone[d[i]] = 1; keep = 1 }
    function flush() { if (stanza != "" && keep) printf "%s", stanza; stanza = ""; keep = 1 }
    /^[ \t]*$/ { flush(); print; next }
    tolower($1) == "suites:" {
      line = $1
      left = 0
      for (i = 2; i <= NF; i++) if (!($i in gone)) { line = line " " $i; left++ }
      if (left == 0) keep = 0
      stanza = stanza line "\n"
      next
    }
    { stanza = stanza $0 "\n" }
    END { flush() }' "$1"
}

# The security suites of the machine's sources, for when no index is known
# to have failed.
_apt_security_suites() {
  {
    sed -n 's/^[Ss]uites: *//p' "$APT_SOURCE_PARTS"/*.sources
    awk "$_APT_SUITE_AWK"' $1 == "deb" { print suite() }' "$APT_SOURCE_LIST" "$APT_SOURCE_PARTS"/*.list
  } 2>/dev/null | xargs -n1 | grep -- '-security$' | sort -u
}

# Writes into folder $1 the machine's sources without the suites in $2:
# $1/sources.list, $1/sources.list.d/, and an empty lists folder $1/lists.
_apt_agreeing_sources() {
  local dir=$1 drop=$2 f
  mkdir -p "$dir/sources.list.d" "$dir/lists/partial"
  : >"$dir/sources.list"
  if [ -f "$APT_SOURCE_LIST" ]; then _apt_drop_oneline "$APT_SOURCE_LIST" "$drop" >"$dir/sources.list"; fi
  for f in "$APT_SOURCE_PARTS"/*.list; do
    if [ -f "$f" ]; then _apt_drop_oneline "$f" "$drop" >"$dir/sources.list.d/$(basename "$f")"; fi
  done
  for f in "$APT_SOURCE_PARTS"/*.sources; do
    if [ -f "$f" ]; then _apt_drop_deb822 "$f" "$drop" >"$dir/sources.list.d/$(basename "$f")"; fi
  done
  chmod -R a+rX "$dir"
}

# The packages under apt's "will be DOWNGRADED" and "will be REMOVED"
# headings in a log: a package apt would remove to go on is one whose
# installed version is newer than the lists hold.
_apt_downgrades() {
  awk '/will be (DOWNGRADED|REMOVED)/ { on = 1; next } on && /^  / { print; next } { on = 0 }' "$1" | xargs -n1 |
    sort -u | xargs
}

_apt_broken() { grep -qE 'unmet dependencies|held broken packages' "$1"; }

# Says why the install of $2... failed (its log $1), and what to try.
_apt_report() {
  local log=$1 downgrades
  shift
  downgrades=$(_apt_downgrades "$log")
  if [ -n "$downgrades" ]; then
    _apt_say "apt-get install $* would need these packages downgraded or removed (their installed versions are newer than the package lists hold), which this set-up never does: $downgrades"
  else
    _apt_say "apt-get install $* failed:"
    grep -E '^E:|^ [^ ].* : ' "$log" | sed 's/^/    /' >&2 || true
  fi
  if [ -n "$APT_FAILED_INDEXES" ]; then
    _apt_say "these indexes failed to download:"
    sed 's/^/    /' <<<"$APT_FAILED_INDEXES" >&2
    _apt_say "the mirror may be in the middle of a sync: try again later, or choose another mirror in $APT_SOURCE_PARTS"
  else
    _apt_say "'sudo apt-get update' and 'sudo apt-get install' of the packages named show more"
  fi
  rm -f "$log"
}

apt_install() {
  local log alt drop dropped rc=0
  apt_update
  log=$(mktemp)
  _apt_get install -y -q --no-remove --no-install-recommends "$@" >"$log" 2>&1 || rc=$?
  [ $rc -ne 0 ] || { rm -f "$log"; return 0; }
  # Broken dependencies: the architectures' lists may disagree. Tried once
  # more with lists that agree, without the suites that failed (or the
  # security suite).
  drop=$(_apt_suites_of "$APT_FAILED_INDEXES")
  [ -n "$drop" ] || drop=$(_apt_security_suites)
  if ! _apt_broken "$log" || [ -z "$drop" ]; then
    _apt_report "$log" "$@"
    return 1
  fi
  dropped=$(xargs <<<"$drop")
  _apt_say "apt-get install $* failed on broken dependencies; trying once more without $dropped, so that both architectures take the same versions"
  alt=$(mktemp -d)
  _apt_agreeing_sources "$alt" "$drop"
  local opts=(-o "Dir::Etc::SourceList=$alt/sources.list" -o "Dir::Etc::SourceParts=$alt/sources.list.d"
              -o "Dir::State::Lists=$alt/lists" -o "Dir::Cache::pkgcache=$alt/pkgcache.bin"
              -o "Dir::Cache::srcpkgcache=$alt/srcpkgcache.bin")
  rc=0
  if _apt_update_tries "${opts[@]}"; then
    _apt_get install -y -q --no-remove --no-install-recommends "${opts[@]}" "$@" >"$log" 2>&1 || rc=$?
  else
    rc=1
    APT_FAILED_INDEXES=$(printf '%s\n%s' "$APT_FAILED_INDEXES" "$_apt_last_failed" | sed '/^$/d' | sort -u)
    echo "E: the package lists without $dropped could not be fetched either" >"$log"
  fi
  ${SUDO:-} rm -rf "$alt"
  if [ $rc -eq 0 ]; then
    _apt_say "installed with the package lists without $dropped; the machine's own sources are unchanged"
    rm -f "$log"
    return 0
  fi
  _apt_say "the package lists without $dropped did not help either"
  _apt_report "$log" "$@"
  return 1
}
