#!/usr/bin/env bash
# The version-file tool in a pipeline: a write that does not reach its file is never exit status 0,
# and --out replaces the version file in one step or leaves it as it was.
# Usage: tests/studio/pipeline.sh WORK_DIR TOOL_COMMAND...
# (TOOL_PATH_STYLE=windows when the tool is the Windows build under Wine.)
# Prints one PASS or FAIL line per row and exits non-zero when a row failed.
set -uo pipefail

work=$1
shift
tool=("$@")
mkdir -p "$work"
path_of() {
    if [[ ${TOOL_PATH_STYLE:-} == windows ]]; then printf 'Z:%s' "${1//\//\\}"; else echo "$1"; fi
}
launcher=$work/launcher
printf 123456789 >"$launcher"
body=$'2.0.0.2|3421780262\r'
failed=0
row() {
    if "$2"; then echo "PASS ${TOOL_PATH_STYLE:-native}:pipeline_$1"; else
        echo "FAIL ${TOOL_PATH_STYLE:-native}:pipeline_$1: $REASON"
        failed=$((failed + 1))
    fi
}
REASON=

# Exit status $1, stderr holding $2, for the command after them; stdout goes where the caller says.
expect() {
    local status=$1 message=$2 code
    shift 2
    "$@" 2>"$work/stderr"
    code=$?
    ((code == status)) || { REASON="exit status $code, expected $status"; return 1; }
    [[ -z $message ]] || grep -q -- "$message" "$work/stderr" || { REASON="stderr: $(cat "$work/stderr")"; return 1; }
}

full_disk() {
    expect 2 'cannot write to standard output' "${tool[@]}" write "$(path_of "$launcher")" 2.0.0.2 \
        >/dev/full
}
closed_stdout() {
    expect 2 'cannot write to standard output' "${tool[@]}" write "$(path_of "$launcher")" 2.0.0.2 \
        >&-
}
# check fails the same way: its first line is the request it makes.
check_to_a_full_disk() {
    expect 2 'cannot write to standard output' "${tool[@]}" check localhost.invalid \
        "$(path_of "$launcher")" >/dev/full
}
out_writes_the_body() {
    local folder=$work/out-ok
    mkdir -p "$folder"
    echo old >"$folder/veyralauncher.ini"
    expect 0 '' "${tool[@]}" write "$(path_of "$launcher")" 2.0.0.2 \
        --out "$(path_of "$folder/veyralauncher.ini")" >"$work/stdout" || return 1
    [[ ! -s $work/stdout ]] || { REASON="stdout: $(cat "$work/stdout")"; return 1; }
    [[ $(cat "$folder/veyralauncher.ini") == "$body" ]] ||
        { REASON="file: $(od -c "$folder/veyralauncher.ini" | head -3)"; return 1; }
    [[ $(ls -A "$folder") == veyralauncher.ini ]] || { REASON="folder: $(ls -A "$folder")"; return 1; }
}
# An unreadable launcher, and a folder where the file should go: the old file stays, no
# temporary file is left.
out_failures_leave_the_file() {
    local folder=$work/out-fail
    mkdir -p "$folder/taken/inside"
    echo old >"$folder/veyralauncher.ini"
    expect 2 'cannot read the launcher file' "${tool[@]}" write "$(path_of "$work/missing")" 2.0.0.2 \
        --out "$(path_of "$folder/veyralauncher.ini")" || return 1
    expect 2 'cannot rename' "${tool[@]}" write "$(path_of "$launcher")" 2.0.0.2 \
        --out "$(path_of "$folder/taken")" || return 1
    [[ $(cat "$folder/veyralauncher.ini") == old ]] || { REASON="the old file changed"; return 1; }
    [[ $(ls -A "$folder" | tr '\n' ' ') == "taken veyralauncher.ini " ]] ||
        { REASON="folder: $(ls -A "$folder" | tr '\n' ' ')"; return 1; }
}
help_and_version() {
    local command
    for command in "" keygen write check; do
        "${tool[@]}" $command --help >"$work/stdout" 2>&1 || { REASON="$command --help failed"; return 1; }
        grep -q '^usage: veyra_version_file' "$work/stdout" || { REASON="$command --help: no usage"; return 1; }
    done
    grep -q -- '--out VERSION_FILE' "$work/stdout" && REASON="check --help names --out" && return 1
    "${tool[@]}" --version >"$work/stdout" || { REASON="--version failed"; return 1; }
    grep -qE '^veyra_version_file [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+' "$work/stdout" ||
        { REASON="--version: $(cat "$work/stdout")"; return 1; }
    expect 2 'usage:' "${tool[@]}" write "$(path_of "$launcher")" 2.0.0.2 --bogus >/dev/null
}

row full_disk full_disk
row closed_stdout closed_stdout
row check_to_a_full_disk check_to_a_full_disk
row out_writes_the_body out_writes_the_body
row out_failures_leave_the_file out_failures_leave_the_file
row help_and_version help_and_version
((failed == 0))
