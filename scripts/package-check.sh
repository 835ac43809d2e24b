#!/usr/bin/env bash
# `make package-check`: the Debian package of BUILD (default build-pkg) unpacked into a clean
# folder with dpkg -x, checked for what a distribution expects it to hold, and lintian run on
# it, which must report no error and no warning. Installs lintian when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-pkg}
deb=$(ls "$build"/kven_*.deb)

if ! command -v lintian >/dev/null; then
    echo "Installing lintian"
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
    $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends lintian
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
failed=0
check() {  # description command...
    if "${@:2}"; then
        echo "ok    $1"
    else
        echo "FAIL  $1"
        failed=1
    fi
}
for f in usr/bin/kven-cli usr/bin/kven-sim usr/share/doc/kven/copyright \
    usr/share/doc/kven/changelog.gz usr/share/man/man1/kven-cli.1.gz \
    usr/share/man/man1/kven-sim.1.gz usr/share/bash-completion/completions/kven-cli; do
    check "$f is in the package" test -f "$root/$f"
done
check "the copyright names the MIT (Expat) licence" grep -q '^License: Expat' \
    "$root/usr/share/doc/kven/copyright"
check "the unpacked kven-cli runs" "$root/usr/bin/kven-cli" --version
# Every option --help names has its entry in the man page, and the completion offers it.
options=$("$root/usr/bin/kven-cli" --help | grep -o '^  --[a-z-]*' | tr -d ' ')
manual=$(zcat "$root/usr/share/man/man1/kven-cli.1.gz")
completion=$(cat "$root/usr/share/bash-completion/completions/kven-cli")
missing=""
for o in $options; do
    grep -qF -- "${o//-/\\-}" <<<"$manual" || missing+=" $o (man page)"
    grep -qF -- " $o" <<<"$completion" || missing+=" $o (completion)"
done
check "the man page and the completion have all $(wc -w <<<"$options") options${missing:+, not$missing}" \
    test -z "$missing"
check "the completion is valid bash" bash -n "$root/usr/share/bash-completion/completions/kven-cli"

echo "lintian $(lintian --version | awk '{print $2}') on $deb:"
status=0
report=$(lintian --display-info --fail-on error,warning "$deb" 2>&1) || status=$?
grep -v '^running with root' <<<"$report" || true
[[ $status -eq 0 ]] || failed=1
[[ $failed -eq 0 ]] && echo "the package holds what it must, and lintian reports no error and no warning"
exit $failed
