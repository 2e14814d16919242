#!/usr/bin/env bash
# The SSTP control's worker thread and asynchronous mode under ThreadSanitizer.
source "$(dirname "$0")/../lib.sh"
morvik_tsan control-worker control_worker_tests
