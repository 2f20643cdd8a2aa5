#!/usr/bin/env bash
# Tests the Windows build under Wine, beside the Linux build of the same tree:
#   1. the Windows-only unit tests (ports, data folder, paths, flasher start);
#   2. the Windows CLI on every file in examples/ (configurations, images,
#      CAN databases, CAN logs): standard output, standard error and exit
#      status, and the files written with -o and --csv, equal the Linux CLI's
#      byte for byte;
#   3. the window: a configuration typed and saved through File > Save gives
#      the Linux window's bytes, and a screenshot under the native style
#      (build/windows/window-windows.png; CAC_WINDOWS_SHOT=FILE keeps a copy);
#   4. the installer installs silently into a new Wine prefix, for the user
#      and without an administrator, the installed programs start and end
#      cleanly;
#   5. over an earlier installation in another folder, whose program files go
#      and whose user's files stay; icon and version in both executables; the
#      uninstall entry and the .ccf file type under HKCU; a .ccf opened through
#      that registration and sent with "Send now!" (TempConfig.hex beside the
#      program, the user's Updrive.exe started); the uninstaller removing what
#      was installed and registered, and leaving the user's files.
#      CAC_OLDER_INSTALLER=SETUP.EXE makes the earlier installation with an
#      installer of an earlier version;
#   6. live CAN traffic in the window (scripts/windows-wine.sh's
#      live_can_tests): the stand-in PCANBasic.dll's channels free, taken,
#      absent and unplugged while read, and builds of it without CAN_Read and
#      without CAN_GetValue (the DLL absent is a case of tst_windows); SLCAN
#      adapters played on pseudo-terminals linked as COM16 (the preview, the
#      adapter hanging up while read) and COM5 (Find signals live, a brake
#      pressed three times, then Stop; tests/windows/slcan_peer.py);
#      screenshots build/windows/live/windows-*.png (CAC_LIVE_SHOTS=DIR keeps
#      copies);
#   7. the faults of tests/mutants/windows/, planted one at a time in the
#      Windows-only code (scripts/mutate-windows.sh): each must be caught.
#      CAC_WINDOWS_FAULTS=0 leaves them out.
# Skips everything, and says so, while the cross-built Qt is not in the cache
# (scripts/build-windows.sh makes it once). Needs the Linux Debug build
# (scripts/test.sh makes it first).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

qt_prefix=${CAC_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/can-adapter-config}/qt6.4.2-mingw64
if [ ! -f "$qt_prefix/.complete" ]; then
    echo "test-windows: SKIPPED the Windows build and its Wine tests: no cross-built Qt in"
    echo "test-windows: $qt_prefix (scripts/build-windows.sh builds it once, about an hour)"
    exit 0
fi

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "test-windows: FAILED: $*"; }

built=$(scripts/build-windows.sh | tail -n 2)
installer=$(echo "$built" | sed -n 1p)
zip=$(echo "$built" | sed -n 2p)
[ -f "$installer" ] && [ -f "$zip" ] && pass || fail "installer or ZIP missing: $built"

cmake --build --preset default --target can-adapter-cli tst_WindowSave can-adapter-config >/dev/null
work=$(mktemp -d)
source scripts/windows-wine.sh
# The display first: Wine's desktop, started with its server, takes the
# display there is then, and without one no window opens for the whole run.
display_start "$work"
wine_start "$root/build/windows/wine-run.sh" "${WINEPREFIX:-$root/build/windows/wine-prefix}"
build_prefix=$wine_prefix
trap 'display_stop; wine_stop; rm -rf "$work"' EXIT

# 1. The Windows-only unit tests, through the build's Wine runner.
if ctest --preset windows >"$work/ctest.log" 2>&1; then pass; else cat "$work/ctest.log"; fail "ctest --preset windows"; fi

# 2. The two CLIs on the examples, with the same catalogue.
linux_cli=$root/build/debug/src/cli/can-adapter-cli
windows_cli=$root/build/windows/src/cli/can-adapter-cli.exe
catalogue=build/debug/src/app/DemoVars.cfg
if cmp -s "$catalogue" build/windows/src/app/DemoVars.cfg; then pass; else fail "the demo catalogues differ"; fi
compare() { # name, then the CLI's arguments
    local name=$1 status
    shift
    status=0; "$linux_cli" "$@" >"$work/linux.out" 2>"$work/linux.err" || status=$?
    echo "$status" >"$work/linux.status"
    status=0; "$wine_run" "$windows_cli" "$@" >"$work/windows.out" 2>"$work/windows.err" || status=$?
    # On a loaded machine Wine now and then loses a whole run's output: a run
    # that printed nothing at all where Linux printed something is run once more.
    if [ ! -s "$work/windows.out" ] && [ ! -s "$work/windows.err" ] &&
        { [ -s "$work/linux.out" ] || [ -s "$work/linux.err" ]; }; then
        status=0; "$wine_run" "$windows_cli" "$@" >"$work/windows.out" 2>"$work/windows.err" || status=$?
    fi
    echo "$status" >"$work/windows.status"
    local what
    for what in out err status; do
        if ! cmp -s "$work/linux.$what" "$work/windows.$what"; then
            fail "$name: standard $what differs"
            diff "$work/linux.$what" "$work/windows.$what" | head -n 10 || true
            head -c 2000 "$work/windows.err"
            return
        fi
    done
    pass
}
compare_file() { # name, then the CLI's arguments before -o
    local name=$1
    shift
    rm -f "$work/linux.file" "$work/windows.file"
    "$linux_cli" "$@" -o "$work/linux.file" >/dev/null 2>&1 || true
    "$wine_run" "$windows_cli" "$@" -o "$work/windows.file" >/dev/null 2>&1 || true
    if [ -f "$work/linux.file" ] && cmp -s "$work/linux.file" "$work/windows.file"; then
        pass
    else
        fail "$name: the file written with -o differs"
    fi
}
compare "--help" --help
compare "--version" --version
compare "no command"
for example in examples/*; do
    case "$example" in
        *.ccf)
            for obd in "" --obd; do
                compare "hex $example $obd" hex "$example" --catalogue "$catalogue" $obd
                compare "check $example $obd" check "$example" --catalogue "$catalogue" $obd
                compare "show --json $example $obd" show "$example" --json --catalogue "$catalogue" $obd
            done
            compare "show $example" show "$example" --catalogue "$catalogue"
            compare "layout $example" layout "$example" --catalogue "$catalogue"
            compare "export-dbc $example" export-dbc "$example" --catalogue "$catalogue"
            compare_file "hex -o $example" hex "$example" --catalogue "$catalogue"
            "$linux_cli" hex "$example" --catalogue "$catalogue" -o "$work/image.hex" 2>/dev/null
            compare "show --json of its image" show "$work/image.hex" --json --catalogue "$catalogue"
            compare "ccf of its image" ccf "$work/image.hex" --catalogue "$catalogue"
            compare_file "ccf -o of its image" ccf "$work/image.hex" --catalogue "$catalogue"
            ;;
        *.log | *.asc | *.trc | *.blf | *.csv)
            compare "decode $example" decode examples/engine-demo.ccf "$example" --catalogue "$catalogue"
            rm -f "$work/linux.csv" "$work/windows.csv"
            "$linux_cli" decode examples/engine-demo.ccf "$example" --catalogue "$catalogue" \
                --csv "$work/linux.csv" >/dev/null 2>&1 || true
            "$wine_run" "$windows_cli" decode examples/engine-demo.ccf "$example" --catalogue "$catalogue" \
                --csv "$work/windows.csv" >/dev/null 2>&1 || true
            if [ -s "$work/linux.csv" ] && cmp -s "$work/linux.csv" "$work/windows.csv"; then
                pass
            else
                fail "decode --csv $example differs"
            fi
            ;;
        *.dbc)
            compare "dbc $example" dbc "$example" --catalogue "$catalogue"
            compare "dbc --json $example" dbc "$example" --json --catalogue "$catalogue"
            ;;
    esac
done
compare "a missing file" hex examples/no-such-file.ccf
compare "a folder" hex examples

# 3. The window, on the run's own X display with a window manager.
# A pseudo-terminal stands in for a serial port, so that the window lists one
# (COM3) instead of saying that no port can be opened.
python3 -c 'import os, pty, time
master, slave = pty.openpty()
print(os.ttyname(slave), flush=True)
time.sleep(3600)' >"$work/pty" &
pty_holder=$!
trap 'kill "$pty_holder" 2>/dev/null; display_stop; wine_stop; rm -rf "$work"' EXIT
for _ in $(seq 1 100); do [ -s "$work/pty" ] && break; sleep 0.1; done
link_com3() { # Wine prefix
    mkdir -p "$1/dosdevices"
    ln -sfn "$(cat "$work/pty")" "$1/dosdevices/com3"
}
link_com3 "$build_prefix"

QT_QPA_PLATFORM=offscreen build/debug/tests/gui/tst_WindowSave "$work/linux.ccf" >"$work/save-linux.log" 2>&1 ||
    { cat "$work/save-linux.log"; fail "the Linux window's save"; }
if "$wine_run" build/windows/tests/gui/tst_WindowSave.exe "$work/windows.ccf" >"$work/save-windows.log" 2>&1 &&
    cmp -s "$work/linux.ccf" "$work/windows.ccf"; then
    pass
else
    cat "$work/save-windows.log"
    fail "the Windows window's save differs from the Linux window's"
fi

caption="CAN adapter configuration utility"
wait_for_window() { # seconds; prints the window's id
    local i
    for i in $(seq 1 "$(($1 * 4))"); do
        if xdotool search --onlyvisible --name "^$caption" 2>/dev/null | head -n1 | grep .; then return 0; fi
        sleep 0.25
    done
    return 1
}
shot=$root/build/windows/window-windows.png
"$wine_run" build/windows/src/app/can-adapter-config.exe >"$work/window.log" 2>&1 &
window_pid=$!
if id=$(wait_for_window 60); then
    sleep 3 # the first paint under Wine
    # Enter opens channel 1's variable list: the demo catalogue's entries.
    xdotool windowactivate --sync "$id" key Return 2>/dev/null || true
    sleep 2
    import -window root "$shot"
    xdotool key Escape 2>/dev/null || true
    [ -n "${CAC_WINDOWS_SHOT:-}" ] && cp "$shot" "$CAC_WINDOWS_SHOT"
    xdotool windowactivate --sync "$id" key ctrl+q 2>/dev/null || true
    if wait "$window_pid"; then pass; else fail "the window did not end cleanly on Exit"; fi
else
    kill "$window_pid" 2>/dev/null || true
    cat "$work/window.log"
    fail "the window did not open under Wine"
fi

# 6. Live CAN traffic, here: in the build's prefix on the display of step 3.
live_can_tests "$root" "$root/build/windows" "$work/live"

# 4. The installer, into a Wine prefix of its own, for the user who runs it.
prefix=$work/prefix
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
export WINEPREFIX=$prefix WINEDEBUG=-all
"$wine" wineboot -i >/dev/null 2>&1 || true
link_com3 "$prefix"
local_appdata=$(find "$prefix/drive_c/users" -mindepth 3 -maxdepth 3 -path '*/AppData/Local' ! -path '*/Public/*' | head -n1)
installed="$local_appdata/Programs/CAN Adapter Config"

# 5. The per-user installation: an upgrade over an earlier installation in
# another folder, its resources, its registration, a .ccf opened through it
# and sent, and the uninstaller.
EARLIER_PATH='C:\Earlier\CAC' # NSIS takes /D= unquoted, so no blank in it
earlier="$prefix/drive_c/Earlier/CAC"
publisher="The CAN Adapter Config developers"
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\CAN Adapter Config'
progid_key='Software\Classes\CanAdapterConfig.ccf'

reg_value() { # key, value name ("" for the key's default); prints the data
    local name=(/ve)
    [ -n "$2" ] && name=(/v "$2")
    "$wine" reg query "$1" "${name[@]}" 2>/dev/null | tr -d '\r' |
        awk -F '    ' 'NF >= 4 && $3 ~ /^REG_/ { print $4; exit }' || true
}
expect_reg() { # key, value name, expected data
    local got
    got=$(reg_value "$1" "$2")
    [ "$got" = "$3" ] && pass || fail "registry $1 ${2:-(default)}: '$got', expected '$3'"
}
no_key() { # key
    "$wine" reg query "$1" >/dev/null 2>&1 && fail "registry key $1 is still there" || pass
}

# An earlier installation for every user (the first versions installed so)
# in another folder, with the user's flasher and a note of the user's beside it.
install_earlier() {
    "$wine" "${CAC_OLDER_INSTALLER:-$installer}" /ALLUSERS /S "/D=$EARLIER_PATH" >/dev/null 2>&1 || true
    "$wineserver" -w 2>/dev/null || true
    if [ -f "$earlier/can-adapter-config.exe" ]; then pass; else fail "the earlier installation is missing"; fi
    cp build/windows/tests/windows/cac-fake-updrive.exe "$earlier/Updrive.exe"
    echo "mine" >"$earlier/my notes.txt"
}

check_upgrade() {
    [ ! -e "$earlier/can-adapter-config.exe" ] && [ ! -e "$earlier/Qt6Core.dll" ] &&
        [ ! -e "$earlier/platforms" ] && pass || fail "the earlier program files stay in $EARLIER_PATH"
    [ -f "$earlier/Updrive.exe" ] && [ -f "$earlier/my notes.txt" ] &&
        pass || fail "the upgrade removed the user's files in $EARLIER_PATH"
    cmp -s "$earlier/Updrive.exe" "$installed/Updrive.exe" &&
        pass || fail "the user's Updrive.exe was not copied into the new folder"
    no_key "HKLM\\$uninstall_key"
}

# Icon and version information in both installed executables.
check_resources() {
    local exe name description
    for exe in can-adapter-config can-adapter-cli; do
        name="$installed/$exe.exe"
        wrestool -l "$name" >"$work/resources.txt" 2>&1 || true
        sed "s|^|test-windows: $exe.exe: |" "$work/resources.txt"
        rm -f "$work/icon.ico"
        wrestool -x -t14 -o "$work/icon.ico" "$name" 2>/dev/null || true
        [ "$(icotool -l "$work/icon.ico" 2>/dev/null | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | tr '\n' ' ')" = \
            "16 24 32 48 64 256 " ] && pass || fail "$exe.exe: no icon of 16 to 256 pixels"
        { wrestool -x --raw -t16 "$name" 2>/dev/null || true; } | strings -el >"$work/version.txt"
        description="CAN Adapter Config"
        [ "$exe" = can-adapter-cli ] && description="CAN Adapter Config command-line tool"
        for expected in ProductName "CAN Adapter Config" CompanyName "$publisher" FileVersion \
            "$(sed -n 's/^project(can-adapter-config VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" \
            FileDescription "$description" OriginalFilename "$exe.exe"; do
            grep -qxF -- "$expected" "$work/version.txt" || { fail "$exe.exe: no '$expected' in its version"; continue 2; }
        done
        pass
    done
    # No administrator asked for.
    { wrestool -x --raw -t24 "$installer" 2>/dev/null || true; } | grep -q 'level="asInvoker"' &&
        pass || fail "the installer asks for more than the user's rights"
}

check_registration() {
    local folder
    folder=$("$wine" winepath -w "$installed" 2>/dev/null | tr -d '\r' || true)
    expect_reg "HKCU\\$uninstall_key" InstallLocation "$folder"
    expect_reg "HKCU\\$uninstall_key" Publisher "$publisher"
    expect_reg "HKCU\\$uninstall_key" DisplayIcon "$folder\\can-adapter-config.exe,0"
    expect_reg 'HKCU\Software\Classes\.ccf' "" CanAdapterConfig.ccf
    expect_reg "HKCU\\$progid_key\\DefaultIcon" "" "$folder\\can-adapter-config.exe,0"
    expect_reg "HKCU\\$progid_key\\shell\\open\\command" "" "\"$folder\\can-adapter-config.exe\" \"%1\""
    no_key "HKLM\\$progid_key"
    find "$prefix/drive_c/users" -path '*Start Menu/Programs/CAN Adapter Config.lnk' | grep -q . &&
        pass || fail "no Start-menu entry"
}

# A .ccf opened as Explorer opens it, then "Send now!": the HEX beside the
# program is the file's configuration, and the user's flasher was started.
open_and_send() {
    mkdir -p "$prefix/drive_c/My Configs"
    cp examples/engine-demo.ccf "$prefix/drive_c/My Configs/engine demo.ccf"
    "$linux_cli" hex examples/engine-demo.ccf --catalogue "$catalogue" -o "$work/engine-demo.hex"
    rm -f "$installed/TempConfig.hex" "$installed/CommandLine.txt"
    # Explorer runs the registered command with %1 replaced by the file.
    # (`wine start` would not do: Wine 8's HKEY_CLASSES_ROOT shows only
    # HKLM\Software\Classes, not the user's HKCU\Software\Classes.)
    local command id
    command=$(reg_value "HKCU\\$progid_key\\shell\\open\\command" "")
    if [[ ! "$command" =~ ^\"([^\"]+)\"\ \"%1\"$ ]]; then
        fail "the .ccf open command is not '\"PROGRAM\" \"%1\"': $command"
        return
    fi
    "$wine" "${BASH_REMATCH[1]}" 'C:\My Configs\engine demo.ccf' >/dev/null 2>&1 &
    if ! id=$(wait_for_window 60); then
        fail "a .ccf did not open through its registration"
        return
    fi
    sleep 3 # the first paint under Wine
    import -window root "$root/build/windows/window-opened-ccf.png"
    # From the channel grid to "Send now!": out of the grid, past the
    # findings, the bit rate and the port.
    xdotool windowactivate --sync "$id" key ctrl+Tab Tab Tab Tab space 2>/dev/null || true
    for _ in $(seq 1 80); do
        [ -s "$installed/CommandLine.txt" ] && break
        sleep 0.25
    done
    [ -s "$installed/CommandLine.txt" ] && pass || fail "Send now! did not start the user's Updrive.exe"
    cmp -s "$installed/TempConfig.hex" "$work/engine-demo.hex" &&
        pass || fail "the HEX sent is not the opened .ccf's configuration"
    xdotool windowactivate --sync "$id" key ctrl+q 2>/dev/null || true
    for _ in $(seq 1 80); do
        xdotool search --onlyvisible --name "^$caption" >/dev/null 2>&1 || break
        sleep 0.25
    done
}

check_uninstalled() {
    local file
    for file in can-adapter-config.exe can-adapter-cli.exe DemoVars.cfg Qt6Core.dll platforms \
        styles README.txt Uninstall.exe; do
        [ ! -e "$installed/$file" ] && pass || fail "the uninstaller left $file"
    done
    [ -f "$installed/Updrive.exe" ] && [ -f "$installed/TempConfig.hex" ] &&
        pass || fail "the uninstaller removed the user's files"
    no_key "HKCU\\$uninstall_key"
    no_key "HKCU\\$progid_key"
    no_key 'HKCU\Software\Classes\.ccf'
    find "$prefix/drive_c/users" -path '*Start Menu/Programs/CAN Adapter Config.lnk' | grep -q . &&
        fail "the uninstaller left the Start-menu entry" || pass
}

install_earlier
"$wine" "$installer" /S >/dev/null 2>&1 || true
"$wineserver" -w 2>/dev/null || true
for file in can-adapter-config.exe can-adapter-cli.exe DemoVars.cfg Qt6Core.dll Qt6Gui.dll \
    Qt6Widgets.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll libstdc++-6.dll \
    libgcc_s_seh-1.dll libwinpthread-1.dll Uninstall.exe; do
    [ -f "$installed/$file" ] && pass || fail "not installed: $file"
done
check_upgrade
check_resources
check_registration
# No WINEPATH here: the installed folder must hold every DLL the programs need.
if "$wine" "$installed/can-adapter-cli.exe" --version 2>/dev/null | grep -q '^can-adapter-cli '; then
    pass
else
    fail "the installed CLI does not start"
fi
"$wine" "$installed/can-adapter-config.exe" >"$work/installed.log" 2>&1 &
window_pid=$!
if id=$(wait_for_window 60); then
    xdotool windowactivate --sync "$id" key ctrl+q 2>/dev/null || true
    if wait "$window_pid"; then pass; else fail "the installed window did not end cleanly"; fi
else
    kill "$window_pid" 2>/dev/null || true
    fail "the installed window did not open"
fi
open_and_send
"$wine" "$installed/Uninstall.exe" /S >/dev/null 2>&1 || true
for _ in $(seq 1 120); do
    [ -e "$installed/Uninstall.exe" ] || break
    sleep 0.5
done
"$wineserver" -w 2>/dev/null || true
check_uninstalled
"$wineserver" -k 2>/dev/null || true

# 7. The Windows-only code's faults, each planted and caught.
if [ "${CAC_WINDOWS_FAULTS:-1}" != 0 ]; then
    faults_started=$SECONDS
    if env -u WINEPREFIX -u DISPLAY scripts/mutate-windows.sh >"$work/faults.log" 2>&1; then
        pass
    else
        fail "a Windows fault was not caught"
    fi
    sed 's/^/test-windows: /' "$work/faults.log"
    echo "test-windows: the faults took $((SECONDS - faults_started)) s"
fi

echo "test-windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
