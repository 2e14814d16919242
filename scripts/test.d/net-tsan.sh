#!/usr/bin/env bash
# The mail transfer library's sessions (each with a watchdog thread) under ThreadSanitizer, against
# the scripted POP3 peer and Dovecot.
source "$(dirname "$0")/../lib.sh"
morvik_tsan net-threads net_pop3_peer_tests net_dovecot_tests
