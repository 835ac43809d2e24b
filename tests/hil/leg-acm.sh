# A USB CDC-ACM link inside the guest, as most USB loaders have: dummy_hcd is both the USB host
# and the device controller, g_serial the loader's side (/dev/ttyGS0, served by kven-sim) and
# cdc-acm the host's side (/dev/ttyACM0, where kven-cli runs). Sourced by init.sh.
#
# The cable is pulled in software: the host controller's root-hub port is switched off (its
# `disable` attribute), as when the cable and its power go. The gadget sees the disconnect and
# hangs up /dev/ttyGS0, which stays, so its simulator serves on; the host side's tty goes, and
# a new one comes when the port is switched on again. (The gadget controller's own soft
# disconnect, soft_connect, does not come back on this kernel: after "connect" every request
# of the enumeration fails with EPROTO. Unbinding or unloading g_serial takes /dev/ttyGS0 away
# with the loader.)
IMAGE=/images/acm.bin
# As behind the host's lines: the erase takes 1 s of the 2 s the information block states.
LOADER="--letter e --erase-units 1 --erase-scale 0.5"

# kven-sim serves /dev/ttyGS0; its session lines come in on descriptor 6.
sim_start() {  # OPTIONS...
    rm -f /tmp/sim-lines
    mkfifo /tmp/sim-lines
    kven-sim --device /dev/ttyGS0 --flash-out /tmp/acm-flash.bin --sums-out /tmp/acm-sums.bin \
        "$@" > /tmp/sim-lines 2>> /tmp/sim-errors &
    sim=$!
    exec 6< /tmp/sim-lines
    read -r _ <&6 || say "FACT acm-sim-start $(cat /tmp/sim-errors)"
}
sim_stop() {
    kill "$sim"
    wait "$sim"
    exec 6<&-
}
digest() { set -- $(sha256sum < "$1"); echo "$1"; }
# The simulator's line for the job NAME (the limit only bounds a simulator that lost the
# session), then the hashes of the flash and checksum table it wrote before that line.
session() {  # NAME
    if read -r -t 30 line <&6; then
        say "FACT $1-session $line"
        say "FACT $1-flash $(digest /tmp/acm-flash.bin)"
        [ -e /tmp/acm-sums.bin ] && say "FACT $1-sums $(digest /tmp/acm-sums.bin)"
    else
        say "FACT $1-session none"
    fi
}

# Waits for the host side's new tty and leaves its path in $ACM: /dev/ttyACM0, unless an old
# one is still held when the device comes back.
plugged() {
    until_event add 'ttyACM*'
    ACM=/dev/$device
    added "$device"
}

# Pulls the cable when the job's output matches PATTERN; once the job has ended and the host
# side's tty is gone, plugs it back in.
pull() {  # NAME PATTERN ARGS...
    name=$1
    pattern=$2
    shift 2
    dmesg -c > /dev/null
    start "$name" "$@"
    follow "$pattern"
    unplugged=$(uptime_now)
    echo 1 > "$PORT/disable"
    finish
    say "FACT $name-unplugged $unplugged"
    session "$name"
    until_event remove "${ACM#/dev/}"
    dmesg | while IFS= read -r line; do say "FACT $name-kernel $line"; done
    echo 0 > "$PORT/disable"
    plugged
}

while read -r module; do
    case $module in
        g_serial) insmod "/lib/modules/$module.ko" iSerialNumber=KVEN0002 ;;
        *) insmod "/lib/modules/$module.ko" ;;
    esac
done < /lib/modules/acm.order
added ttyGS0
plugged
PORT=$(echo /sys/devices/platform/dummy_hcd.0/usb*/*-0:1.0/usb*-port1)
sim_start $LOADER

run acm-ports ports
run acm-program program --port $ACM --baud 115200 $IMAGE
session acm-program
say "FACT acm-115200-line $(hil-serial $ACM)"
run acm-eepsum eepsum --port $ACM --baud 115200 $IMAGE
session acm-eepsum
run acm-250000 eepsum --port $ACM --baud 250000 $IMAGE
session acm-250000
say "FACT acm-250000-line $(hil-serial $ACM)"

# 1 MiB takes seconds here too: the refused openers run well within the job, and the cable is
# pulled well inside the write phase.
hold acm-hold $ACM $A
session acm-hold

pull acm-pull-write 'Writing:  10%*' program --port $ACM --baud 115200 $A
run after-acm-pull-write program --port $ACM --baud 115200 $IMAGE
session after-acm-pull-write

# Paced at 9600 bit/s by the simulator, the checksum phase takes seconds, not milliseconds.
sim_stop
sim_start $LOADER --baud 9600
pull acm-pull-checksum 'Burn CheckSum: *' eepsum --port $ACM --baud 9600 $S1
run after-acm-pull-checksum eepsum --port $ACM --baud 9600 $S1
session after-acm-pull-checksum

# The speed figure: the same job through kven-cli and the blocking host, alternated. The
# erase takes no time, so the times are the exchange alone.
sim_stop
sim_start --letter e --erase-units 1 --erase-scale 0
for round in 1 2 3; do
    run acm-speed-kven-$round program --quiet --port $ACM --baud 115200 $IMAGE
    session acm-speed-kven-$round
    run_program acm-speed-host-$round kven-blocking-host program $ACM $IMAGE 115200
    session acm-speed-host-$round
done
sim_stop
