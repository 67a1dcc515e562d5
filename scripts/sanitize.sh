#!/usr/bin/env bash
# Builds the program and its tests with sanitizers and runs them:
#   build-asan: AddressSanitizer, LeakSanitizer and UBSan over the whole ctest suite;
#   build-tsan: ThreadSanitizer over the tests whose code runs on more than one thread.
# Every report stops the process that made it; reports of child processes (the
# real program and the device under the end-to-end tests) are collected from
# <build>/sanitizer-logs and fail the run as well.
# SANITIZE=asan or SANITIZE=tsan runs one half only; JOBS sets the parallelism.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs="${JOBS:-$(nproc)}"
supp="$root/tests/support/sanitizer"

# Tests that cannot run sanitized, each with the reason. None at present: the
# Python tests and those against other programs drive the sanitized executables.
asan_exclude=(
)

# The executables whose tests run code on a second thread: the serial channel's
# monitor thread and modem-line follower, the latest-job worker, the background
# file writer and the display tools' snapshots, the receive path of the real
# program, the clipboard's converter thread.
tsan_labels=(
  base_tests serial_channel_test serial_modem_test serial_line_wait_test serial_termios_test port_switch_tests
  receive_tests ui_model_tests ui_qt_tests autosend_tests autosend_modbus_tests
  transmit_tests main_window_tests flood_with_selection_e2e_tests
)

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

configure() {  # configure <dir> <sanitizers>
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" -DVORTA_SANITIZE="$2" "${launcher[@]}" >/dev/null
}

# Fails when any process of the run left a report in the log folder.
check_logs() {  # check_logs <dir>
  local logs=("$1"/sanitizer-logs/*)
  [ -e "${logs[0]}" ] || return 0
  for f in "${logs[@]}"; do echo "== $f"; cat "$f"; done
  echo "sanitizer reports above (${#logs[@]} files in $1/sanitizer-logs)"
  return 1
}

run_asan() {
  local dir=build-asan
  configure "$dir" address,undefined
  cmake --build "$dir" -j "$jobs"
  rm -rf "$dir/sanitizer-logs" && mkdir -p "$dir/sanitizer-logs"
  local exclude=()
  if [ ${#asan_exclude[@]} -gt 0 ]; then
    exclude=(-E "^($(IFS='|'; echo "${asan_exclude[*]}"))\$")
  fi
  local status=0
  # verify_asan_link_order=0: the pty shim's own test preloads the (sanitized) shim
  # ahead of the runtime.
  ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:verify_asan_link_order=0:log_path=$root/$dir/sanitizer-logs/asan:log_exe_name=1" \
  LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$root/$dir/sanitizer-logs/ubsan:log_exe_name=1" \
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${exclude[@]}" || status=1
  check_logs "$dir" || status=1
  return $status
}

run_tsan() {
  local dir=build-tsan
  configure "$dir" thread
  local targets=("${tsan_labels[@]}" vorta-serial)
  cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
  rm -rf "$dir/sanitizer-logs" && mkdir -p "$dir/sanitizer-logs"
  local status=0
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp:log_path=$root/$dir/sanitizer-logs/tsan:log_exe_name=1" \
    ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs" -L "^($(IFS='|'; echo "${tsan_labels[*]}"))\$" || status=1
  check_logs "$dir" || status=1
  return $status
}

status=0
case "${SANITIZE:-all}" in
  asan) run_asan || status=1 ;;
  tsan) run_tsan || status=1 ;;
  *) run_asan || status=1; run_tsan || status=1 ;;
esac
exit $status
