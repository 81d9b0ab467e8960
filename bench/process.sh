#!/usr/bin/env bash
# Whole-process figures of `velmora /run`, measured side by side in one run
# (this machine is shared and noisy, so only ratios of neighbours count):
#   1. /run /nodisp /skwait=0 over 100 and 500 tasks that start `true` without
#      waiting, against `dex --autostart` over as many autostart entries and
#      against the floor: a bare Qt Widgets start and quit plus as many bare
#      posix_spawn starts;
#   2. the start and end of /run /nodisp /skwait=0 over an empty list against
#      a bare Qt Widgets start and quit;
#   3. processor time of /run with a 5-second selection wait and an empty list;
#   4. peak memory of /run /nodisp /skwait=0 against a bare Qt Widgets program.
# Usage: bench/process.sh BUILD_DIR [ROUNDS]   (BUILD_DIR from the bench preset)
set -euo pipefail
build=${1:?usage: bench/process.sh BUILD_DIR [ROUNDS]}
rounds=${2:-15}
velmora="$build/src/app/velmora"
floor="$build/bench/floor_tool"
for tool in "$velmora" "$floor" "$build/bench/list_tool"; do [ -x "$tool" ] || { echo "missing $tool" >&2; exit 1; }; done
command -v dex >/dev/null || { echo "dex is not installed (apt-get install dex)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_DIRS="$work/sysconfig" XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_DIRS/autostart" "$XDG_DATA_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
true_path=$(command -v true)

# One configuration home per list size, for velmora and for dex.
setup() {
    local n=$1 home="$work/home$1"
    mkdir -p "$home/velmora" "$home/autostart"
    "$build/bench/list_tool" "$home/velmora/settings.db" "$n" "$true_path"
    for ((i = 1; i <= n; i++)); do
        printf -v k '%03d' "$i"
        printf '[Desktop Entry]\nType=Application\nName=Task %s\nExec=%s\n' "$i" "$true_path" \
            > "$home/autostart/task$k.desktop"
    done
}

now_ns() { date +%s%N; }
# Median of the numbers on standard input.
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

for n in 100 500; do
    setup "$n"
    home="$work/home$n"
    : > "$work/v$n" ; : > "$work/d$n" ; : > "$work/f$n"
    for ((r = 0; r < rounds; r++)); do
        t0=$(now_ns); XDG_CONFIG_HOME="$home" "$velmora" /run /nodisp /skwait=0 2>/dev/null; t1=$(now_ns)
        echo $(( (t1 - t0) / 1000 )) >> "$work/v$n"
        t0=$(now_ns); XDG_CONFIG_HOME="$home" dex --autostart >/dev/null 2>&1; t1=$(now_ns)
        echo $(( (t1 - t0) / 1000 )) >> "$work/d$n"
        t0=$(now_ns); "$floor" "$n" "$true_path"; t1=$(now_ns)
        echo $(( (t1 - t0) / 1000 )) >> "$work/f$n"
    done
    v=$(median < "$work/v$n"); d=$(median < "$work/d$n"); f=$(median < "$work/f$n")
    awk -v n="$n" -v v="$v" -v d="$d" -v f="$f" 'BEGIN {
        printf "%d tasks: velmora %.1f ms, dex %.1f ms, floor %.1f ms; velmora/floor %.2f (target <= 1.30), velmora/dex %.2f (target < 0.75), floor/dex %.2f\n",
               n, v/1000, d/1000, f/1000, v/f, v/d, f/d }'
done

# Start-up of a run that shows no window, over an empty list, against a bare
# Qt Widgets program that starts and quits (on the offscreen platform, the
# cheapest there is): the run sets up no window system at all.
empty0="$work/empty0"
mkdir -p "$empty0"
: > "$work/s0" ; : > "$work/q0"
for ((r = 0; r < rounds; r++)); do
    t0=$(now_ns); XDG_CONFIG_HOME="$empty0" "$velmora" /run /nodisp /skwait=0 2>/dev/null; t1=$(now_ns)
    echo $(( (t1 - t0) / 1000 )) >> "$work/s0"
    t0=$(now_ns); "$floor"; t1=$(now_ns)
    echo $(( (t1 - t0) / 1000 )) >> "$work/q0"
done
s0=$(median < "$work/s0"); q0=$(median < "$work/q0")
# Processor time as well: on a busy machine it varies less than the clock.
TIMEFORMAT='%U %S'
sc=$( { time (for ((r = 0; r < rounds; r++)); do XDG_CONFIG_HOME="$empty0" "$velmora" /run /nodisp /skwait=0 2>/dev/null; done); } 2>&1 | awk '{print $1 + $2}')
qc=$( { time (for ((r = 0; r < rounds; r++)); do "$floor"; done); } 2>&1 | awk '{print $1 + $2}')
awk -v s="$s0" -v q="$q0" -v sc="$sc" -v qc="$qc" -v n="$rounds" 'BEGIN {
    printf "start and end of a run that shows no window, empty list: velmora %.1f ms (processor %.1f ms), bare Qt Widgets program %.1f ms (processor %.1f ms); ratio %.2f, processor %.2f (target < 1)\n",
           s/1000, sc*1000/n, q/1000, qc*1000/n, s/q, sc/qc }'

# The same against the bare program on an X display (Xvfb), as at a logon.
if command -v Xvfb >/dev/null; then
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
    xvfb=$!
    for ((i = 0; i < 100; i++)); do [ -s "$work/display" ] && break; sleep 0.1; done
    x=":$(head -n 1 "$work/display")"
    : > "$work/sx" ; : > "$work/qx"
    for ((r = 0; r < rounds; r++)); do
        t0=$(now_ns); env -u QT_QPA_PLATFORM DISPLAY="$x" XDG_CONFIG_HOME="$empty0" "$velmora" /run /nodisp /skwait=0 2>/dev/null; t1=$(now_ns)
        echo $(( (t1 - t0) / 1000 )) >> "$work/sx"
        t0=$(now_ns); env -u QT_QPA_PLATFORM DISPLAY="$x" "$floor"; t1=$(now_ns)
        echo $(( (t1 - t0) / 1000 )) >> "$work/qx"
    done
    qxc=$( { time (for ((r = 0; r < rounds; r++)); do env -u QT_QPA_PLATFORM DISPLAY="$x" "$floor"; done); } 2>&1 | awk '{print $1 + $2}')
    kill "$xvfb"
    sx=$(median < "$work/sx"); qx=$(median < "$work/qx")
    awk -v s="$sx" -v q="$qx" -v sc="$sc" -v qc="$qxc" 'BEGIN {
        printf "the same against the bare program on an X display: velmora %.1f ms, bare Qt Widgets program %.1f ms; ratio %.2f, processor %.2f (target < 1)\n",
               s/1000, q/1000, s/q, sc/qc }'
else
    echo "the same on an X display: Xvfb is not installed (apt-get install xvfb)"
fi

# Processor time of a 5-second selection wait with an empty list.
empty="$work/empty"
mkdir -p "$empty"
TIMEFORMAT='%U %S'
cpu=$( { time XDG_CONFIG_HOME="$empty" "$velmora" /run /nodisp 2>/dev/null; } 2>&1 | awk '{print $1 + $2}')
echo "selection wait of 5 s, empty list: processor time ${cpu} s (target < 0.1 s)"

# Peak memory (maximum resident set) against a bare Qt Widgets program.
if [ -x /usr/bin/time ]; then
    vm=$(XDG_CONFIG_HOME="$work/home500" /usr/bin/time -f %M "$velmora" /run /nodisp /skwait=0 2>&1 >/dev/null | tail -n 1)
    fm=$(/usr/bin/time -f %M "$floor" 2>&1 >/dev/null | tail -n 1)
    awk -v v="$vm" -v f="$fm" 'BEGIN { printf "peak memory over 500 tasks: velmora %.1f MB, bare Qt Widgets %.1f MB, difference %.1f MB (target < 10 MB)\n", v/1024, f/1024, (v-f)/1024 }'
else
    echo "peak memory: /usr/bin/time is not installed (apt-get install time)"
fi
