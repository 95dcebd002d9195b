#!/usr/bin/env bash
# The console and CuteCom 0.51 take turns (console, CuteCom, console, ...) on the same stream of
# Modbus read responses at 11.5 KB/s, 92 KB/s and flat out; flat out, the bare reader
# (bareread.c: read and count, nothing else) takes its turn too, as the ceiling. Every run gets a
# fresh socat pty seen as /dev/ttyS0; both programs run in one Xvfb with the same window size.
# Prints the median of each figure per rate and program, the ratio console/CuteCom, and flat out
# the console's throughput over the bare reader's.
#   bench/peer/run.sh [rounds]        (default 3; PEER_SECONDS per run, default 15)
# Runs as root in a private mount namespace: the tmpfs on /run/lock and the pty bound over
# /dev/ttyS0 are never seen outside it.
set -euo pipefail
cd "$(dirname "$0")/../.."
rounds=${1:-3}
seconds=${PEER_SECONDS:-15}
size=1000x700
out=build/peer
die() { echo "bench peer: $*" >&2; exit 1; }

if [ -z "${NV_PEER_PRIVATE:-}" ]; then
  [ "$(id -u)" -eq 0 ] || die "needs root (private mount namespace, bind mount over /dev/ttyS0)"
  [[ $rounds =~ ^[1-9][0-9]*$ ]] || die "rounds must be a whole number above 0, not '$rounds'"
  [[ $seconds =~ ^[0-9]+([.][0-9]+)?$ ]] || die "PEER_SECONDS must be a number, not '$seconds'"
  [ -x build/norvane ] || die "build/norvane is missing: run scripts/setup.sh first"
  [ -c /dev/ttyS0 ] || die "/dev/ttyS0 is missing: the runs bind their pty over it"
  for tool in socat Xvfb unshare cc g++ getconf; do
    command -v $tool >/dev/null || die "$tool is missing"
  done
  if ! command -v cutecom >/dev/null; then
    echo "Installing cutecom"
    { apt-get install -y -qq --no-install-recommends cutecom \
        || { apt-get update -qq && apt-get install -y -qq --no-install-recommends cutecom; }; } >/dev/null 2>&1 \
      || die "could not install cutecom (apt-get install cutecom)"
  fi
  qt=/usr/include/$(gcc -print-multiarch)/qt5
  [ -d "$qt/QtWidgets" ] || die "Qt 5 headers are missing (qtbase5-dev)"
  mkdir -p $out
  src=bench/peer
  [ $out/libmodemlines.so -nt $src/modemlines.c ] \
    || cc -O2 -Wall -shared -fPIC -o $out/libmodemlines.so $src/modemlines.c -ldl || die "modemlines.c does not build"
  [ $out/libprobe.so -nt $src/probe.cpp ] \
    || g++ -O2 -Wall -std=c++17 -shared -fPIC -o $out/libprobe.so $src/probe.cpp \
         -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets" -lQt5Widgets -lQt5Gui -lQt5Core -ldl \
    || die "probe.cpp does not build"
  { [ $out/writer -nt $src/writer.c ] && [ $out/writer -nt $src/ptyopen.h ]; } \
    || cc -O2 -Wall -o $out/writer $src/writer.c || die "writer.c does not build"
  { [ $out/bareread -nt $src/bareread.c ] && [ $out/bareread -nt $src/ptyopen.h ]; } \
    || cc -O2 -Wall -o $out/bareread $src/bareread.c || die "bareread.c does not build"
  unshare --mount --propagation private true 2>/dev/null || die "cannot make a private mount namespace (unshare)"
  NV_PEER_PRIVATE=1 exec unshare --mount --propagation private "$0" "$@"
fi

# From here on inside the private mount namespace.
work=$(mktemp -d /tmp/norvane-peer.XXXXXX)
pids=()     # for the whole benchmark (Xvfb)
current=()  # for the run under way
stop() {  # pid...: TERM, then KILL after 3 s
  local p i
  for p in "$@"; do kill "$p" 2>/dev/null || true; done
  for p in "$@"; do
    for i in $(seq 30); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
}
cleanup() { stop "${current[@]}" "${pids[@]}"; umount /dev/ttyS0 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
trap 'echo "bench peer: interrupted" >&2; exit 130' INT TERM
mount -t tmpfs -o size=16m tmpfs /run/lock

display=
for n in 91 92 93 94; do
  if [ ! -e /tmp/.X$n-lock ] && ! grep -q "/tmp/.X11-unix/X$n\$" /proc/net/unix; then display=$n; break; fi
done
[ -n "$display" ] || die "X displays :91 to :94 are all taken"
Xvfb :$display -screen 0 1280x1024x24 -nolisten tcp >$work/xvfb.log 2>&1 &
pids+=($!)
for i in $(seq 50); do [ -S /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
[ -S /tmp/.X11-unix/X$display ] || die "Xvfb :$display did not start ($(tail -1 $work/xvfb.log))"

hz=$(getconf CLK_TCK)
ticks() { sed 's/.*) //' /proc/$1/stat | awk '{print $12 + $13}'; }
# Sleeps the GUI thread woke from: each is a wake-up of its event loop.
wakes() { awk '/^voluntary_ctxt_switches/ {print $2}' /proc/$1/task/$1/status; }
stat_of() { awk -v k=$2 '$1 == k {print $2}' $1/stats 2>/dev/null; }
alive() { kill -0 $1 2>/dev/null || die "$2 exited during the run (log: $(tail -2 $3 | tr '\n' ' '))"; }
# Waits until the process used at most 2 ticks (2 % of a core at 100 Hz) in half a second.
wait_idle() {
  local a b i
  for i in $(seq $(( $2 * 2 ))); do
    a=$(ticks $1); sleep 0.5; b=$(ticks $1)
    [ $((b - a)) -le 2 ] && return 0
  done
  return 1
}

run() {  # program rate: one run, appends "rate program cpu mbps stall rss lost" to $work/results
  local prog=$1 rate=$2 dir=$work/run$((++runs)) cmd click pid wpid spid i
  mkdir -p $dir/home $dir/xdg && chmod 700 $dir/xdg
  socat pty,raw,echo=0,link=$dir/port pty,raw,echo=0,link=$dir/peer 2>$dir/socat.log &
  spid=$!; current=($spid)
  for i in $(seq 50); do [ -e $dir/port ] && [ -e $dir/peer ] && break; sleep 0.1; done
  [ -e $dir/port ] || die "socat made no pty ($(tail -1 $dir/socat.log))"
  umount /dev/ttyS0 2>/dev/null || true
  mount --bind "$(readlink -f $dir/port)" /dev/ttyS0
  if [ $prog = norvane ]; then
    # The console reads norvane.ini beside its executable and fills in the rest itself.
    mkdir $dir/app && cp build/norvane $dir/app/
    printf '[ComConfig]\nPortName=/dev/ttyS0\nBaudRate=115200\nHexReceive=true\n' >$dir/app/norvane.ini
    cmd=$dir/app/norvane click=btnOpen
  else
    # A CuteCom session on /dev/ttyS0 with timestamps; hex output gets clicked on like the port.
    mkdir -p $dir/home/.config/CuteCom
    printf '%s\n' '[sessions]' '1\BaudRate=115200' '1\DataBits=8' '1\Device=/dev/ttyS0' '1\FlowControl=0' \
      '1\OpenMode=3' '1\Parity=0' '1\StopBits=1' '1\name=Default' '1\showCtrlCharacters=false' \
      '1\showTimestamp=true' '1\autoReconnect=false' 'size=1' >$dir/home/.config/CuteCom/CuteCom5.conf
    cmd=cutecom click=m_check_hex_out,m_bt_open
  fi
  HOME=$dir/home XDG_RUNTIME_DIR=$dir/xdg DISPLAY=:$display \
    LD_PRELOAD=$PWD/$out/libmodemlines.so:$PWD/$out/libprobe.so \
    NV_PROBE_STATS=$dir/stats NV_PROBE_PORT=/dev/ttyS0 NV_PROBE_SIZE=$size NV_PROBE_CLICK=$click \
    $cmd >$dir/program.log 2>&1 &
  pid=$!; current+=($pid)
  for i in $(seq 200); do [ "$(stat_of $dir port_open)" = 1 ] && break; alive $pid $prog $dir/program.log; sleep 0.1; done
  [ "$(stat_of $dir port_open)" = 1 ] || die "$prog did not open /dev/ttyS0 in 20 s (missing: $(stat_of $dir missing))"
  wait_idle $pid 20 || die "$prog is not idle 20 s after opening the port"

  local t0 w0 sent start end
  t0=$(ticks $pid) w0=$(wakes $pid)
  kill -USR1 $pid  # the probe starts its longest gap afresh
  $out/writer $dir/peer $rate $seconds >$dir/writer.out 2>&1 &
  wpid=$!; current+=($wpid)
  for i in $(seq $(( ${seconds%.*} * 10 + 300 ))); do [ -s $dir/writer.out ] && break; sleep 0.1; done
  read -r sent start end <$dir/writer.out || true
  [[ ${sent:-} =~ ^[0-9]+$ ]] || die "the writer failed: $(cat $dir/writer.out)"
  for i in $(seq 1200); do  # up to 120 s to take in what is still on its way
    [ "$(stat_of $dir bytes)" -ge $sent ] && break
    alive $pid $prog $dir/program.log; sleep 0.1
  done
  wait_idle $pid 60 || echo "  ($prog still busy 60 s after the stream)"
  local t1 w1 rss bytes last stall
  t1=$(ticks $pid) w1=$(wakes $pid)
  rss=$(awk '/^VmHWM/ {print $2}' /proc/$pid/status)
  sleep 0.2  # one more stats write after the idle check
  bytes=$(stat_of $dir bytes) last=$(stat_of $dir last_read_ns) stall=$(stat_of $dir max_gap_ms)
  [ "$(stat_of $dir resets)" -ge 1 ] || die "$prog: the probe missed the start signal"
  stop $pid $wpid $spid
  current=()
  umount /dev/ttyS0
  record $rate $prog $(( t1 - t0 )) $start $end $last $bytes $sent $stall $rss $(( w1 - w0 ))
  rm -rf $dir
}

# rate program ticks start_ns end_ns last_ns bytes sent stall_ms rss_kb wake-ups: appends
# "rate program cpu mbps stall rss lost wakes" to $work/results and prints the run.
record() {
  awk -v r=$1 -v p=$2 -v t=$3 -v hz=$hz -v s=$4 -v e=$5 -v l=$6 -v b=$7 -v sent=$8 -v st=$9 \
      -v rss=${10} -v w=${11} 'BEGIN {
    printf "%s %s %.4f %.4f %.1f %.1f %d %.0f\n", r, p, t / hz / ((e - s) / 1e9),
           (l > s ? b / ((l - s) / 1e3) : 0), st, rss / 1024, sent - b, w / ((e - s) / 1e9) }' \
    | tee -a $work/results \
    | awk -v n=$runs -v l="$(label $1)" '{printf "  run %2d  %-9s %s  CPU-s/s %.3f  MB/s %.3f  stall %s ms  RSS %s MiB  lost %s  wakes/s %s\n",
                        n, l, $2, $3, $4, ($5 < 0 ? "-" : $5), $6, $7, $8}'
}

bare() {  # rate: the bare reader on the stream; no window, so no stall (-1)
  local rate=$1 dir=$work/run$((++runs)) rpid wpid spid i sent start end bytes first last cpu w rss
  mkdir -p $dir
  socat pty,raw,echo=0,link=$dir/port pty,raw,echo=0,link=$dir/peer 2>$dir/socat.log &
  spid=$!; current=($spid)
  for i in $(seq 50); do [ -e $dir/port ] && [ -e $dir/peer ] && break; sleep 0.1; done
  [ -e $dir/port ] || die "socat made no pty ($(tail -1 $dir/socat.log))"
  $out/bareread $dir/port 1000 $(( ${seconds%.*} + 120 )) >$dir/bare.out 2>&1 &
  rpid=$!; current+=($rpid)
  for i in $(seq 50); do [ -s $dir/bare.out ] && break; sleep 0.1; done
  $out/writer $dir/peer $rate $seconds >$dir/writer.out 2>&1 &
  wpid=$!; current+=($wpid)
  wait $rpid || die "the bare reader failed: $(cat $dir/bare.out)"
  read -r sent start end <$dir/writer.out || die "the writer failed: $(cat $dir/writer.out)"
  read -r bytes first last cpu w rss < <(tail -1 $dir/bare.out)
  stop $wpid $spid
  current=()
  record $rate bare $(( cpu * hz / 1000000000 )) $start $end $last $bytes $sent -1 $rss $w
  rm -rf $dir
}

label() { case $1 in 11520) echo "11.5 KB/s" ;; 92160) echo "92 KB/s" ;; *) echo "flat out" ;; esac; }

began=$(date +%s)
echo "receive side by side: $rounds rounds of $seconds s per rate, console vs CuteCom $(dpkg-query -W -f='${Version}' cutecom)"
echo "window $size on Xvfb :$display, load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
runs=0
rates=(11520 92160 0)
for rate in "${rates[@]}"; do
  for round in $(seq $rounds); do
    run norvane $rate
    run cutecom $rate
    [ $rate != 0 ] || bare $rate
  done
done

median() { sort -g | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
column() { awk -v r=$1 -v p=$2 -v c=$3 '$1 == r && $2 == p {print $c}' $work/results | median; }
echo
echo "median of $rounds runs per rate and program; lost is the most over the runs"
printf '%-11s %-9s %8s %7s %9s %13s %6s %8s\n' rate program CPU-s/s MB/s "stall ms" "peak RSS MiB" lost wakes/s
ratio() { awk -v a=$1 -v b=$2 'BEGIN {if (b > 0 && a >= 0) printf "%.2f", a / b; else print "-"}'; }
for rate in "${rates[@]}"; do
  progs=(norvane cutecom)
  [ $rate != 0 ] || progs+=(bare)
  for prog in "${progs[@]}"; do
    lost=$(awk -v r=$rate -v p=$prog '$1 == r && $2 == p && $7 > m {m = $7} END {print m + 0}' $work/results)
    printf '%-11s %-9s %8.3f %7.3f %9s %13.1f %6d %8.0f\n' "$(label $rate)" $prog \
      $(column $rate $prog 3) $(column $rate $prog 4) \
      "$(column $rate $prog 5 | awk '{if ($1 < 0) print "-"; else printf "%.1f", $1}')" \
      $(column $rate $prog 6) $lost $(column $rate $prog 8)
  done
  ratios=()
  for c in 3 4 5 6 7 8; do
    [ $c = 7 ] && { ratios+=(""); continue; }
    ratios+=($(ratio $(column $rate norvane $c) $(column $rate cutecom $c)))
  done
  printf '%-11s %-9s %8s %7s %9s %13s %6s %8s\n' "" ratio "${ratios[@]}"
  if [ $rate = 0 ]; then
    printf '%-11s %-9s %8s %7s\n' "" "of bare" "" "$(ratio $(column 0 norvane 4) $(column 0 bare 4))"
  fi
done
echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg); took $(( $(date +%s) - began )) s"
