#!/usr/bin/env bash
# The fuzzing harnesses' regression run: builds them in build-fuzz and runs each once over every
# input of its corpus in fuzz/corpus/<harness>/, where every input that ever made a finding is kept.
# A crash, a leak, an undefined behaviour, a harness's own check or an input taking over 5 s (a
# margin over the 1 s of bench/fuzz.sh for a busy machine) fails it, with the harness's output. A
# line per harness when all is well. A build that fails, a harness without a corpus, or no harness
# at all fails too.
source "$(dirname "$0")/../lib.sh"
morvik_fuzz_build
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch # the harnesses' scratch folders, gone with it even after a crash

harnesses=0 failed=0
while IFS=$'\t' read -r name program corpus _; do
    [[ -n $name ]] || continue
    harnesses=$((harnesses + 1))
    inputs=("$corpus"/*)
    if [[ ! -e ${inputs[0]} ]]; then
        echo "fuzz: $name has no corpus in $corpus"
        failed=1
        continue
    fi
    if ! out=$("$program" -timeout=5 -rss_limit_mb=2048 "${inputs[@]}" 2>&1); then
        printf '%s\n' "$out"
        echo "fuzz: $name failed on its corpus"
        failed=1
        continue
    fi
    echo "fuzz: $name: ${#inputs[@]} inputs"
done <"$MORVIK_FUZZ_LIST"
if ((harnesses == 0)); then
    echo "fuzz: no harness was built"
    exit 1
fi
exit "$failed"
