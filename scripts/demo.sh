#!/usr/bin/env bash
# Demonstration: two simulated door controllers on pseudo-terminals, an installation that holds
# them, and the console on top. Type simulator commands here (say "present 1 12345678") while the
# console runs; closing the console ends the demonstration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: run the demonstration on a desktop session (or: xvfb-run -a scripts/demo.sh)." >&2
    exit 1
fi

demo=${KESTRUM_DEMO_ROOT:-/tmp/kestrum-demo-$(id -un)}
# Each run starts afresh, so the simulators' memories match the installation's database. Only a
# folder this script made is emptied.
if [ -e "$demo" ] && [ ! -e "$demo/.kestrum-demo" ]; then
    echo "$demo exists and is not a demonstration folder: set KESTRUM_DEMO_ROOT elsewhere." >&2
    exit 1
fi
rm -rf "$demo"
mkdir -p "$demo"
touch "$demo/.kestrum-demo"
export XDG_DATA_HOME="$demo"
fifo="$demo/sim.in"
out="$demo/sim.out"
rm -f "$fifo" "$out"
mkfifo "$fifo"

# The simulated memories hold what the demo installation says they hold. Reader 2 runs a firmware
# that can send its cards back (version 2.0); reader 1 an older one.
build/bin/kestrum-sim --controllers 2 --cards 1:0012345678,0012345679 --cards 2:0012345678,0012345680 --firmware 2:20 \
    <"$fifo" >"$out" 2>&1 &
sim=$!
exec 3>"$fifo"
tail -n +1 -f "$out" &
tailer=$!
cleanup() {
    echo quit >&3 2>/dev/null || true
    exec 3>&-
    kill "$tailer" "$sim" 2>/dev/null || true
    rm -f "$fifo"
}
trap cleanup EXIT

for _ in $(seq 100); do
    grep -q '^ready' "$out" && break
    sleep 0.1
done
grep -q '^ready' "$out" || { echo "the simulator did not start" >&2; exit 1; }
mapfile -t devices < <(grep '^COM' "$out" | cut -d= -f2)
build/bin/kestrum-demo-setup "${devices[@]}"

build/bin/kestrum &
console=$!
cat <<'MSG'

Kestrum demonstration: log in with admin / admin. The readers list shows both simulated
controllers answering the test. Press "Events" on the tool bar (the "Event log" panel of the Tools
tab) and its play button ("Start registering events"), then type here, for example:
    present 1 12345678        a holder's card at the main entrance (granted)
    present 2 99999 00        an unknown card, refused
    door 1 05                 a door event
    silent 2 on               the warehouse door stops answering (test again in the console)
    memory 1                  the cards stored in controller 1
MSG
# Whole lines go to the simulator as typed; a read that timed out would drop what was half typed.
# A background job reads /dev/null unless given the terminal explicitly.
exec 4<&0
cat <&4 >&3 &
forward=$!
wait "$console" || true
kill "$forward" 2>/dev/null || true
