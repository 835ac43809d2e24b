# The FTDI adapter's cable pulled (the host's device_del) during the write phase, the erase and
# the checksum phase, each followed by a job on the adapter plugged back in. Sourced by init.sh.

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

pull pull-write 'Writing:  10%*' replug program --port /dev/ttyUSB0 --baud 115200 $A
run after-pull-write program --port /dev/ttyUSB0 --baud 115200 $S1
pull pull-erase 'Erase /Blank' replug-paced program --port /dev/ttyUSB0 --baud 115200 $A
run after-pull-erase eepsum --port /dev/ttyUSB0 --baud 9600 $S1
pull pull-checksum 'Burn CheckSum: *' replug eepsum --port /dev/ttyUSB0 --baud 9600 $S1
run after-pull-checksum eepsum --port /dev/ttyUSB0 --baud 9600 $S1
