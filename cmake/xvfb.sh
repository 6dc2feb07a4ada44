# Sourced: kq_start_xvfb WxHxD starts an Xvfb display on a free number when
# none is set, exports DISPLAY and leaves its process id in KQ_XVFB_PID
# (empty when none was started).
kq_start_xvfb() {
  KQ_XVFB_PID=
  [ -z "${DISPLAY:-}" ] || return 0
  local fifo num
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  KQ_XVFB_PID=$!
  read -r num <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$num"
}
