# Sourced by scripts/test and scripts/fuzz: how the sanitizers report.
# Any finding ends the process with an error; leaks in system libraries are
# listed in lsan.supp.
sanitizer_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$sanitizer_dir/lsan.supp:print_suppressions=0
