#!/usr/bin/env bash
# Writes the manual page of the host from its own help texts:
#
#   make-manpage.sh VELKO VERSION OUTPUT
#
# The synopsis, the commands, their arguments and options come from `velko --help` and
# `velko COMMAND --help`, so the page says what the program says; the environment, files and exit
# statuses are the fixed facts of the library. Fails when a command has no description.
set -euo pipefail

velko=$1
version=$2
output=$3

# Escapes text for roff: backslashes, and a leading dot or quote that would start a request.
roff() { sed -e 's/\\/\\e/g' -e 's/^\([.'"'"']\)/\\\&\1/' -e 's/-/\\-/g'; }

# The items of one section ("Options:", "Positionals:", "Subcommands:") of a help text, one per
# line as "NAME<TAB>DESCRIPTION"; descriptions that wrap onto further lines are joined.
items() {
  awk -v section="$1" '
    /^[^ ].*:$/ { inside = ($0 == section); next }
    /^$/ { next }
    inside && /^  [^ ]/ {
      if (name != "") print name "\t" text
      line = substr($0, 3)
      split_at = match(line, /  +/)
      if (split_at) { name = substr(line, 1, split_at - 1); text = substr(line, RSTART + RLENGTH) }
      else { name = line; text = "" }
      next
    }
    inside && /^   +[^ ]/ {
      sub(/^ +/, "")
      text = (text == "" ? $0 : text " " $0)
      next
    }
    END { if (name != "") print name "\t" text }
  '
}

help_of() { ASAN_OPTIONS=detect_leaks=0 "$velko" "$@" --help; }

top=$(help_of)
summary=$(printf '%s\n' "$top" | head -n 1 | sed 's/^velko: //')
commands=$(printf '%s\n' "$top" | items "Subcommands:")
[ -n "$commands" ] || { echo "make-manpage: velko --help lists no commands" >&2; exit 1; }

# One option or argument: ".TP", the name in bold (its value placeholder in italics), the text.
print_items() {
  while IFS=$'\t' read -r name text; do
    [ -n "$name" ] || continue
    local flag=${name%% *} rest=""
    [ "$flag" != "$name" ] && rest=${name#* }
    printf '.TP\n\\fB%s\\fR' "$(printf '%s' "$flag" | roff)"
    [ -n "$rest" ] && printf ' \\fI%s\\fR' "$(printf '%s' "$rest" | roff)"
    printf '\n%s\n' "$(printf '%s' "${text:-}" | roff)"
  done
}

{
  printf '.TH VELKO 1 "" "VelkoCore %s" "User Commands"\n' "$version"
  printf '.SH NAME\nvelko \\- %s\n' "$(printf '%s' "$summary" | roff)"
  printf '.SH SYNOPSIS\n.B velko\n.I COMMAND\n.RI [ OPTIONS ]\n.br\n.B velko\n.B \\-\\-help\n'
  printf '.SH DESCRIPTION\n'
  printf 'velko loads test sequences and test setups of the VelkoCore library, performs them with\n'
  printf 'the registered instrument plug-ins, judges the results against the limits of the selected\n'
  printf 'standards, and writes the test record and the report. It also lists and registers\n'
  printf 'plug-ins and component libraries.\n'
  printf '.SH COMMANDS\n'
  while IFS=$'\t' read -r command description; do
    [ -n "$description" ] || { echo "make-manpage: command $command has no description" >&2; exit 1; }
    help=$(help_of "$command")
    usage=$(printf '%s\n' "$help" | sed -n 's/^Usage: //p' | head -n 1)
    printf '.SS "%s"\n' "$(printf '%s' "${usage:-velko $command}" | sed 's/^[^ ]*velko/velko/' | roff)"
    printf '%s\n' "$(printf '%s' "$description" | roff)"
    printf '%s\n' "$help" | items "Positionals:" | print_items
    printf '%s\n' "$help" | items "Options:" | { grep -v '^-h,--help' || true; } | print_items
  done <<<"$commands"
  cat <<'EOF'
.SH EXIT STATUS
.TP
.B 0
The run passed, or the command succeeded.
.TP
.B 1
The run failed: a test element failed its limits. For \fBverify\fR and \fBreport\fR: the record
did not verify (not signed, changed after it was signed, or signed by a station that is not
trusted); \fBreport\fR prints it all the same, marked.
.TP
.B 2
An error: bad arguments, a file that cannot be read, problems found while loading, a failing
operation. Nothing is written then.
.SH ENVIRONMENT
.TP
.B VELKO_REGISTRY
The registry file to use, exactly as it is (a missing file is an empty registry). Without it the
user's own file is used (see FILES).
.TP
.B XDG_CONFIG_HOME
The folder of the user's registry file, station key and trusted keys (default \fI~/.config\fR).
.TP
.B VELKO_STATION_KEY
The station's signing key file, instead of \fI~/.config/velko/station.key\fR.
.TP
.B VELKO_TRUSTED_KEYS
The trusted keys file, instead of \fI~/.config/velko/trusted-keys\fR.
.TP
.B VELKO_LANGUAGE_PATH
The folder of the language catalogues (one folder per language). Without it the catalogues
installed with the library are used.
.TP
.B VELKO_ARCHIVE
The record archive when no \fB\-\-archive\fR is given: the path of an SQLite file, or a
\fIpostgresql://\fR connection URI. Without it the user's own file is used (see FILES).
.TP
.B XDG_DATA_HOME
The folder of the user's archive (default \fI~/.local/share\fR).
.SH FILES
.TP
.I ~/.config/velko/registry.reg
The user's registry: plug-in list, registered classes, settings. Until the first change it reads
as the installed default, from which the first change creates it; on the first use of an installed
tree the library and the shipped simulator are registered in it when the default lacks them.
.TP
.I ~/.config/velko/station.key
The station's Ed25519 signing key (mode 0600), made when the first record is signed; every record
a run writes is signed with it. \fBvelko key\fR prints its public key.
.TP
.I ~/.config/velko/trusted-keys
The public keys of the stations whose records are trusted, one per line as \fBvelko key\fR prints
it; the station's own key is always trusted.
.TP
.I ~/.local/share/velko/archive.sqlite
The user's record archive: every completed run, made on first use.
.TP
.I /etc/velko/registry.reg
The machine-wide registry of the Debian package: the installed default for every user, with the
library and the simulator plug-in registered.
.TP
.I <prefix>/share/velko/registry/default.reg
The shipped default registry.
.TP
.I <prefix>/share/velko/lang/<language>/*.po
The catalogues: \fIvelkocore.po\fR for the library, \fI<plug-in ID>.po\fR for each plug-in.
.TP
.I <prefix>/lib/velko/plugins/
The plug-ins shipped with the library.
.SH SEE ALSO
The plug-in guide \fI<prefix>/share/doc/velkocore/plugins.md\fR.
EOF
} >"$output.tmp"
mv "$output.tmp" "$output"
