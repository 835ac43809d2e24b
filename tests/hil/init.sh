#!/bin/sh
# /init of the virtual machine that `make hil` boots (tests/hil/rig.py is the host's side).
# Runs the legs that the kernel command line names (hil.legs=uart-ftdi,ftdi-pull,acm), each
# from /lib/hil/leg-NAME.sh, and tells the host what happened over the control port
# /dev/ttyS2, one line a fact:
#   HELLO KERNEL                    the guest is ready
#   LEG NAME, LEG-END NAME          a leg starts, a leg has run to its end
#   BEGIN NAME PROGRAM ARGS...      a job starts: PROGRAM ARGS... (kven-cli, mostly)
#   JOB NAME RC T0 T1, "| LINE"..., END   a job's exit status, its start and end (guest
#                                   uptime, seconds) and its output
#   FACT NAME TEXT                  something read from a driver or a simulator
#   ASK WHAT                        the host acts and answers OK: unplug (device_del of the
#                                   adapter), replug (device_add), replug-paced (device_add with
#                                   a loader paced at 9600 bit/s behind the adapter)
#   DONE
# Every wait is on an event: the host's answer, a line of a job's output, a device's uevent.
# A job that runs longer than JOB_LIMIT seconds is killed (exit 137): no leg waits for ever
# on a program under test.

/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp

JOB_LIMIT=60

# tty uevents queue up in a FIFO that the script reads whenever it waits for a device.
mkfifo /tmp/uevents
exec 5<>/tmp/uevents
uevent sh -c '[ "$SUBSYSTEM" = tty ] && echo "$ACTION $DEVNAME" > /tmp/uevents' &
while read -r module; do insmod "/lib/modules/$module.ko"; done < /lib/modules/boot.order

stty -F /dev/ttyS2 raw -echo 115200
exec 3<> /dev/ttyS2
say() { printf '%s\n' "$*" >&3; }
ask() {
    say "ASK $1"
    read -r answer <&3
}

until_event() {  # ACTION NAME: NAME may be a pattern; the matching name is left in $device
    while read -r action device <&5; do
        case "$action $device" in "$1 "$2) return 0 ;; esac
    done
}

# Waits until /dev/$1 exists and gives it to the dialout group, as udev would.
added() {
    [ -e "/dev/$1" ] || until_event add "$1"
    chgrp dialout "/dev/$1"
    chmod 660 "/dev/$1"
}

uptime_now() {  # the guest's uptime in seconds, to the hundredth
    read -r now _ < /proc/uptime
    echo "$now"
}

report() {  # NAME RC T0 FILE
    say "JOB $1 $2 $3 $(uptime_now)"
    while IFS= read -r line; do say "| $line"; done < "$4"
    say "END $1"
}

# A job in the background ($job) with a guard that kills it after JOB_LIMIT seconds; the guard
# holds no descriptor of the job's, so a reader of the job's output sees its end at once.
launch() {  # OUTPUT PROGRAM ARGS...
    out=$1
    shift
    t0=$(uptime_now)
    "$@" > "$out" 2>&1 &
    job=$!
    { sleep $JOB_LIMIT; kill -KILL "$job"; } > /dev/null 2>&1 < /dev/null &
    guard=$!
}
land() {  # waits for the job; its exit status is left in $rc
    wait "$job"
    rc=$?
    kill "$guard" 2> /dev/null
}

run_program() {  # NAME PROGRAM ARGS...: PROGRAM ARGS to its end
    name=$1
    shift
    say "BEGIN $name $*"
    launch /tmp/run-out "$@"
    land
    report "$name" $rc "$t0" /tmp/run-out
}
run() {  # NAME ARGS...: kven-cli ARGS to its end
    name=$1
    shift
    run_program "$name" kven-cli "$@"
}

# A job whose output is followed line by line while it runs: start, follow PATTERN, finish.
start() {  # NAME ARGS...
    name=$1
    shift
    say "BEGIN $name kven-cli $*"
    rm -f /tmp/out /tmp/follow
    mkfifo /tmp/follow
    launch /tmp/follow kven-cli "$@"
    exec 4< /tmp/follow
}
follow() {  # PATTERN: passes the output on until a line matches; false when the job ended first
    while IFS= read -r line <&4; do
        printf '%s\n' "$line" >> /tmp/out
        case $line in $1) return 0 ;; esac
    done
    say "FACT $name trigger-missed $1"
    return 1
}
finish() {
    cat <&4 >> /tmp/out
    exec 4<&-
    land
    report "$name" $rc "$t0" /tmp/out
}

# While a Program job holds DEVICE: the driver's flags, an unprivileged open, a second
# kven-cli as an unprivileged user and as root.
hold() {  # NAME DEVICE IMAGE
    say "FACT $1-before $(hil-serial "$2")"
    start "$1" program --port "$2" --baud 115200 "$3"
    follow 'Writing:  10%*'
    say "FACT $1-during $(hil-serial "$2")"
    say "FACT $1-user-open $(su -s /bin/sh kven -c "hil-serial $2")"
    held_job=$job held_guard=$guard held_t0=$t0
    run_program "$1-user" su -s /bin/sh kven -c "kven-cli eepsum --port $2 $3"
    run_program "$1-root" kven-cli eepsum --port "$2" "$3"
    job=$held_job guard=$held_guard t0=$held_t0 name=$1
    if kill -0 "$job" 2> /dev/null; then say "FACT $1-held yes"; else say "FACT $1-held no"; fi
    finish
    say "FACT $1-after $(hil-serial "$2")"
}

added ttyS1
added ttyUSB0
say "HELLO $(uname -r)"

S1=/images/s1.bin
A=/images/usb-a.bin
B=/images/usb-b.bin
for arg in $(cat /proc/cmdline); do
    case $arg in hil.legs=*) legs=$(echo "${arg#hil.legs=}" | tr , ' ') ;; esac
done
for leg in $legs; do
    say "LEG $leg"
    . "/lib/hil/leg-$leg.sh"
    say "LEG-END $leg"
done

say DONE
poweroff -f
