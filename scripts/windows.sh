#!/usr/bin/env bash
# `make windows`: cross-builds kven-cli.exe, the desktop program kven.exe and the unit tests for
# 64-bit Windows with Debian's mingw-w64 into build-windows/, runs the tests under Wine, then the
# end-to-end runs: kven-cli.exe under Wine programs kven-sim (from the Linux build given as $1)
# through a pseudo-terminal that the Wine prefix knows as COM5, and kven.exe is driven on a
# private X server. The Linux build also made kven.exe's dialogs and icons (win32-resources/).
# Installs the compiler, Wine and the X tools when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-build}
jobs=${JOBS:-$(nproc)}
out=$PWD/build-windows
toolchain=$PWD/cmake/mingw-w64.cmake
start=$SECONDS

packages=(g++-mingw-w64-x86-64-posix wine64 fonts-wine fonts-liberation2 python3 xvfb xauth xdotool
          imagemagick x11-utils)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
    $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
fi

# A private X server for the whole run, on a display number it picks itself: the desktop
# program's tests make windows.
mkdir -p "$out"
rm -f "$out/xvfb.display" && mkfifo "$out/xvfb.display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$out/xvfb.display" \
    >"$out/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
read -r display <"$out/xvfb.display"
export DISPLAY=:$display

# Wine in a prefix of our own, so nothing depends on the user's home, and quiet.
export WINEPREFIX=$out/wine WINEDEBUG=-all
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "Making the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >"$out/wineboot.log" 2>&1
    "$wineserver" -w
fi
# Windows as Windows draws them: one virtual desktop (a single X window) on which Wine paints
# the captions, frames and menus itself, as no window manager runs, with Wine's own fonts
# (Marlett for the caption buttons, Tahoma for the shell's dialogs), which it reads from the
# prefix's font folder. Set while no server runs.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w
cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
python3 tests/windows/wine_prefix.py "$WINEPREFIX" 1024x768

# One server for the whole run, ended however the script ends: a server that exits with its
# last client races the next client to connect ("recvmsg: Connection reset by peer"). And one
# Windows process that lives as long as this script, reading a pipe nobody writes to: Wine's
# own services start with the first Windows process and end with the last, inheriting that
# process's output; started by a test, they would hold ctest's pipe open after the test ended.
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
rm -f "$out/keep" && mkfifo "$out/keep"
"$wine" cmd <"$out/keep" >/dev/null 2>&1 &
exec 3>"$out/keep"
# Likewise the virtual desktop's process, which the first program that makes a window would
# otherwise start with that program's output.
"$wine" explorer /desktop=Default,1024x768 >/dev/null 2>&1 &

# GoogleTest from Debian's sources, built with the same toolchain.
gtest=$out/googletest
if [[ ! -f $gtest/install/lib/cmake/GTest/GTestConfig.cmake ]]; then
    echo "Building GoogleTest for Windows"
    cmake -S /usr/src/googletest -B "$gtest/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$gtest/install" >/dev/null
    cmake --build "$gtest/build" -j "$jobs" >/dev/null
    cmake --install "$gtest/build" >/dev/null
fi

cmake -S . -B "$out/kven" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DKVEN_WINE_PREFIX="$WINEPREFIX" \
    -DGTest_DIR="$gtest/install/lib/cmake/GTest" \
    -DKVEN_WIN32_RESOURCES="$(realpath "$linux_build")/win32-resources" \
    -DKVEN_BUILD_GUI=OFF -DKVEN_BUILD_BENCH=OFF -DKVEN_WERROR=ON >/dev/null
cmake --build "$out/kven" -j "$jobs"
(cd "$out/kven" && ctest --output-on-failure -j "$jobs" --timeout 600)

python3 tests/windows/end_to_end.py --sim "$linux_build/sim/kven-sim" \
    --linux-cli "$linux_build/cli/kven-cli" --cli "$out/kven/cli/kven-cli.exe" --out "$out/e2e"

# The desktop program: no DLL beside it but Windows' own, and on screen under Wine. Its
# screenshots (idle, running, result) replace those in docs/ when KVEN_WINDOWS_SCREENSHOTS=1.
docs=()
[[ "${KVEN_WINDOWS_SCREENSHOTS:-0}" == 1 ]] && docs=(--docs docs)
python3 tests/windows/desktop.py --exe "$out/kven/app/win32/kven.exe" \
    --sim "$linux_build/sim/kven-sim" --out "$out/desktop" "${docs[@]}"
# Then jobs through its window: the image chosen in the file dialog, programmed, and a fault.
python3 tests/windows/desktop_jobs.py --exe "$out/kven/app/win32/kven.exe" \
    --sim "$linux_build/sim/kven-sim" --out "$out/desktop-jobs" "${docs[@]}"

echo "make windows took $((SECONDS - start)) s" >&2
