#!/bin/sh
# Whether two builds of quillmark-cli read the same folders into the same
# bytes: every read mode (tag none, ID3v1, ID3v2; with and without file
# information; JSON Lines and TSV), one folder after another. The "Read"
# stamps agree as long as nobody touches the files between the runs.
#
#   bench/read_identity.sh OLD_CLI NEW_CLI FOLDER...
set -eu
old=$1
new=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QUILLMARK_CONFIG_DIR="$work/config"
mkdir -p "$QUILLMARK_CONFIG_DIR"
status=0
for folder in "$@"; do
    for mode in "--tag 2" "--tag 1" "--tag 0" "--tag 2 --no-info" "--tag 1 --no-info" \
        "--tag 2 --all-formats"; do
        for format in jsonl tsv; do
            # shellcheck disable=SC2086 # the mode is several words
            "$old" read $mode --format $format "$folder" >"$work/old"
            # shellcheck disable=SC2086
            "$new" read $mode --format $format "$folder" >"$work/new"
            if cmp -s "$work/old" "$work/new"; then
                echo "same: $folder $mode --format $format ($(wc -l <"$work/new") rows)"
            else
                echo "DIFFERENT: $folder $mode --format $format"
                diff "$work/old" "$work/new" | head -5
                status=1
            fi
        done
    done
done
exit $status
