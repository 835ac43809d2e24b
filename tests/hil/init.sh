#!/bin/sh
# /init of the virtual machine that `make hil` boots (tests/hil/rig.py is the host's side).
# Runs kven-cli against the kernel's real serial drivers, /dev/ttyS1 (8250 UART) and
# /dev/ttyUSB0 (ftdi_sio on an emulated FTDI adapter), and tells the host what happened over
# the control port /dev/ttyS2, one line a fact:
#   HELLO KERNEL                    the guest is ready
#   BEGIN NAME ARGS...              a job starts: kven-cli ARGS...
#   JOB NAME RC, "| LINE"..., END   a job's exit status and output
#   FACT NAME TEXT                  something read from a driver
#   ASK WHAT                        the host acts and answers OK: unplug (device_del of the
#                                   adapter), replug (device_add), replug-paced (device_add with
#                                   a loader paced at 9600 bit/s behind the adapter)
#   DONE
# Every wait is on an event: the host's answer, a line of a job's output, a device's uevent.

/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp

# tty uevents queue up in a FIFO that the script reads whenever it waits for a device.
mkfifo /tmp/uevents
exec 5<>/tmp/uevents
uevent sh -c '[ "$SUBSYSTEM" = tty ] && echo "$ACTION $DEVNAME" > /tmp/uevents' &
while read -r module; do insmod "/lib/modules/$module.ko"; done < /lib/modules/order

stty -F /dev/ttyS2 raw -echo 115200
exec 3<> /dev/ttyS2
say() { printf '%s\n' "$*" >&3; }
ask() {
    say "ASK $1"
    read -r answer <&3
}

until_event() {  # ACTION NAME
    while read -r action device <&5; do
        [ "$action $device" = "$1 $2" ] && return 0
    done
}

# Waits until /dev/$1 exists and gives it to the dialout group, as udev would.
added() {
    [ -e "/dev/$1" ] || until_event add "$1"
    chgrp dialout "/dev/$1"
    chmod 660 "/dev/$1"
}

report() {  # NAME RC FILE
    say "JOB $1 $2"
    while IFS= read -r line; do say "| $line"; done < "$3"
    say "END $1"
}

run() {  # NAME ARGS...: kven-cli ARGS to its end
    name=$1
    shift
    say "BEGIN $name $*"
    kven-cli "$@" > /tmp/out 2>&1
    report "$name" $? /tmp/out
}

# A job whose output is followed line by line while it runs: start, follow PATTERN, finish.
start() {  # NAME ARGS...
    name=$1
    shift
    say "BEGIN $name $*"
    rm -f /tmp/out /tmp/follow
    mkfifo /tmp/follow
    kven-cli "$@" > /tmp/follow 2>&1 &
    job=$!
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
    wait "$job"
    report "$name" $? /tmp/out
}

# While a Program job holds DEVICE: the driver's flags, an unprivileged open, a second
# kven-cli as an unprivileged user and as root.
hold() {  # NAME DEVICE IMAGE
    say "FACT $1-before $(hil-serial "$2")"
    start "$1" program --port "$2" --baud 115200 "$3"
    follow 'Writing:  10%*'
    say "FACT $1-during $(hil-serial "$2")"
    say "FACT $1-user-open $(su -s /bin/sh kven -c "hil-serial $2")"
    su -s /bin/sh kven -c "kven-cli eepsum --port $2 $3" > /tmp/second 2>&1
    report "$1-user" $? /tmp/second
    kven-cli eepsum --port "$2" "$3" > /tmp/second 2>&1
    report "$1-root" $? /tmp/second
    if kill -0 "$job" 2> /dev/null; then say "FACT $1-held yes"; else say "FACT $1-held no"; fi
    finish
    say "FACT $1-after $(hil-serial "$2")"
}

# Pulls the adapter's cable when the job's output matches PATTERN, then plugs it back in.
pull() {  # NAME PATTERN REPLUG ARGS...
    pattern=$2
    replug=$3
    name=$1
    shift 3
    start "$name" "$@"
    follow "$pattern"
    ask unplug
    finish
    until_event remove ttyUSB0
    ask "$replug"
    added ttyUSB0
}

added ttyS1
added ttyUSB0
say "HELLO $(uname -r)"

run ports ports

S1=/images/s1.bin
A=/images/usb-a.bin
B=/images/usb-b.bin
run s1-program program --port /dev/ttyS1 --baud 115200 $S1
run s1-eepsum eepsum --port /dev/ttyS1 --baud 115200 $S1
run usb-program-115200 program --port /dev/ttyUSB0 --baud 115200 $A
run usb-eepsum-115200 eepsum --port /dev/ttyUSB0 --baud 115200 $A
run usb-program-250000 program --port /dev/ttyUSB0 --baud 250000 $B
say "FACT usb-250000-line $(hil-serial /dev/ttyUSB0)"
run usb-eepsum-250000 eepsum --port /dev/ttyUSB0 --baud 250000 $B

hold s1-hold /dev/ttyS1 /images/s1-hold.bin
hold usb-hold /dev/ttyUSB0 $A

for parity in mark space; do
    for port in s1:/dev/ttyS1 usb:/dev/ttyUSB0; do
        tag=${port%%:*}-$parity
        dmesg -c > /dev/null
        run "$tag" eepsum --port "${port#*:}" --baud 115200 --parity $parity $S1
        say "FACT $tag-line $(hil-serial "${port#*:}")"
        dmesg | grep -i parity | while IFS= read -r line; do say "FACT $tag-kernel $line"; done
    done
done
run s1-250000 eepsum --port /dev/ttyS1 --baud 250000 $S1

pull pull-write 'Writing:  10%*' replug program --port /dev/ttyUSB0 --baud 115200 $A
run after-pull-write program --port /dev/ttyUSB0 --baud 115200 $S1
pull pull-erase 'Erase /Blank' replug-paced program --port /dev/ttyUSB0 --baud 115200 $A
run after-pull-erase eepsum --port /dev/ttyUSB0 --baud 9600 $S1
pull pull-checksum 'Burn CheckSum: *' replug eepsum --port /dev/ttyUSB0 --baud 9600 $S1
run after-pull-checksum eepsum --port /dev/ttyUSB0 --baud 9600 $S1

say DONE
poweroff -f
