# The 8250 UART (/dev/ttyS1) and the FTDI adapter (/dev/ttyUSB0, ftdi_sio): the ports listing,
# Program and EEP Sum at two rates, a second opener while a job holds the line, mark and space
# parity, and a rate the 8250 cannot run. Sourced by init.sh.

run ports ports

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
