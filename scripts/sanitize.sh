#!/usr/bin/env bash
# Builds the project again under sanitizers and runs the tests there:
#   address  AddressSanitizer + UndefinedBehaviorSanitizer, every test,
#            leak checks on (build-asan)
#   thread   ThreadSanitizer, the analysis and command-line tests (build-tsan)
# Any report ends the run with a failure. Usage: scripts/sanitize.sh [address] [thread]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

# Warnings are the normal build's concern: GCC 12 warns falsely about
# instrumented code (-Wstringop-overflow in std::vector under ThreadSanitizer).
configure() { # build folder, sanitizer
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREMOLUNDRIX_WERROR=OFF \
    -DTREMOLUNDRIX_BUILD_BENCH=OFF -DTREMOLUNDRIX_SANITIZE="$2" >/dev/null
}

kinds=("$@")
[ ${#kinds[@]} -eq 0 ] && kinds=(address thread)
for k in "${kinds[@]}"; do
    case $k in
    address)
        configure build-asan address
        cmake --build build-asan --parallel "$jobs"
        ctest --test-dir build-asan --output-on-failure --parallel "$jobs" --timeout 900
        ;;
    thread)
        configure build-tsan thread
        cmake --build build-tsan --parallel "$jobs" \
            --target analysis_tests cli_tests cli_run_tests tremolundrix-cli
        ctest --test-dir build-tsan --output-on-failure --parallel "$jobs" --timeout 900 \
            -L 'analysis|cli'
        ;;
    *)
        echo "sanitize.sh: unknown sanitizer $k (address or thread)" >&2
        exit 2
        ;;
    esac
done
