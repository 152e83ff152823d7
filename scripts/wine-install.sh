# The Windows stage's checks of the ways the component reaches a Windows machine, sourced by
# scripts/wine-test.sh: the 32-bit DLL read from its file (32-bit programs cannot run here), the
# two bitnesses registered side by side, the installer packages (per machine and per user, what
# they pack, their signatures), and use without registration. Uses wine-test.sh's check, pass,
# fail, winpath, snapshot, same_stores, $work, $build, $build_x86, $bin, $tests, $dll, $signer,
# $clsid and $libid.
# shellcheck disable=SC2154  # the variables above are wine-test.sh's

iid='{91B368B2-595C-440A-9CA8-11BBF168F238}'
iid2='{71F18A98-8019-4FFA-812A-7C364EE57F8D}'
version=$(sed -n 's/^#define ZC_TYPELIB_VERSION \([0-9.]*\)$/\1/p' include/zarnetcalc/DispatchIds.h)
progid=ZarnetCalc.clsZarnetCalc
x86_dll='C:\Program Files (x86)\ZarnetCalc\zarnetcalc.dll'

# dll_facts DLL: machine, exports, imports and the embedded type library's platform.
dll_facts() {
    /usr/bin/python3 "$tests/pecheck.py" "$1"
}

# table_rows LIBRARY PLATFORM: the rows registration writes (component/registration.table) for
# the library at LIBRARY, built for PLATFORM, as "key<TAB>name<TAB>text" lines.
table_rows() {
    local library=$1 platform=$2 where key name text field value
    while IFS=$'\t' read -r where key name text; do
        [[ $where == all || $where == windows ]] || continue
        for field in key text; do
            value=${!field}
            value=${value//\{CLSID\}/$clsid}
            value=${value//\{IID\}/$iid}
            value=${value//\{IID2\}/$iid2}
            value=${value//\{VERSION\}/$version}
            value=${value//\{LIBID\}/$libid}
            value=${value//\{PROGID\}/$progid}
            value=${value//\{LIBRARY\}/$library}
            value=${value//\{FOLDER\}/${library%\\*}}
            value=${value//\{PLATFORM\}/$platform}
            printf -v "$field" '%s' "$value"
        done
        printf '%s\t%s\t%s\n' "$key" "$name" "$text"
    done <component/registration.table
}

# reg_value VIEW KEY NAME: a text value of HKLM\Software\Classes\KEY in the registry's 32-bit or
# 64-bit view ("@" is the default value); nothing when it is missing. A value found missing is
# asked for once more: on a loaded machine a reg process very occasionally prints nothing.
reg_value() {
    local which=(/v "$3") value
    [ "$3" = @ ] && which=(/ve)
    for _ in 1 2; do
        value=$(timeout 60 wine reg query "HKLM\\Software\\Classes\\$2" "${which[@]}" "/reg:$1" \
            2>/dev/null | tr -d '\r' | sed -n 's/^    .*    REG_SZ    //p')
        [ -n "$value" ] && break
    done
    printf '%s' "$value"
}

# registered VIEW LIBRARY PLATFORM: whether every row of the library's registration is in that
# view ("complete"), none of its own ("not registered"), or which rows are missing. The type
# library's version key and the values in it, and the programmatic identifier, are shared by both
# bitnesses: they stay while the other is registered, and the last registration written names
# its own help folder.
registered() {
    local key name text found shared missing=() own=0 own_missing=0
    while IFS=$'\t' read -r key name text; do
        shared=0
        [[ $key == TypeLib\\* && $key != *\\0\\* ]] && shared=1
        [[ $key == "$progid" || $key == "$progid"\\* ]] && shared=1
        own=$((own + 1 - shared))
        found=$(reg_value "$1" "$key" "$name")
        if [[ $key == *\\HELPDIR ]] && [ -n "$found" ]; then
            continue
        fi
        if [ "$found" != "$text" ]; then
            missing+=("$key $name")
            own_missing=$((own_missing + 1 - shared))
        fi
    done < <(table_rows "$2" "$3")
    if [ ${#missing[@]} -eq 0 ]; then
        echo "  $1-bit view, $3: complete"
    elif [ "$own_missing" -eq "$own" ]; then
        echo "  $1-bit view, $3: not registered"
    else
        echo "  $1-bit view, $3: missing $(printf '[%s] ' "${missing[@]}")"
    fi
}

# The 32-bit library's registration as its own regsvr32 writes and removes it: the same rows
# through the registry's 32-bit view, where classes, programmatic identifiers and interfaces are
# kept apart and the type library's key is the shared one.
register_x86() {
    local key name text which
    while IFS=$'\t' read -r key name text; do
        which=(/v "$name")
        [ "$name" = @ ] && which=(/ve)
        timeout 60 wine reg add "HKLM\\Software\\Classes\\$key" "${which[@]}" /d "$text" /f \
            /reg:32 >/dev/null
    done < <(table_rows "$x86_dll" win32)
}
unregister_x86() {
    local key
    for key in "CLSID\\$clsid" "Interface\\$iid" "Interface\\$iid2" \
        "TypeLib\\$libid\\$version\\0\\win32"; do
        timeout 60 wine reg delete "HKLM\\Software\\Classes\\$key" /f /reg:32 >/dev/null
    done
    # The programmatic identifier goes, from both views, once the class is in neither.
    if [ -z "$(reg_value 64 "CLSID\\$clsid" @)" ]; then
        timeout 60 wine reg delete "HKLM\\Software\\Classes\\$progid" /f /reg:32 >/dev/null
        timeout 60 wine reg delete "HKLM\\Software\\Classes\\$progid" /f /reg:64 >/dev/null
    fi
}
# Which views hold the programmatic identifier, naming the class.
progid_views() {
    local view views=()
    for view in 64 32; do
        [ "$(reg_value "$view" "$progid\\CLSID" @)" = "$clsid" ] && views+=("the $view-bit view")
    done
    echo "  $progid in: ${views[*]:-neither view}"
}

# Both bitnesses registered, then each unregistered in turn: the other stays complete.
side_by_side() {
    local x64_dll
    mkdir -p "$work/x64"
    cp "$dll" "$work/x64/zarnetcalc.dll"
    x64_dll=$(winpath "$work/x64/zarnetcalc.dll")
    both() {
        registered 64 "$x64_dll" win64
        registered 32 "$x86_dll" win32
        progid_views
    }
    echo "the 32-bit registration, then regsvr32 zarnetcalc.dll:"
    register_x86
    timeout 60 wine regsvr32 /s "$x64_dll"
    both
    echo "regsvr32 /u zarnetcalc.dll:"
    timeout 60 wine regsvr32 /u /s "$x64_dll"
    both
    echo "regsvr32 zarnetcalc.dll, then the 32-bit registration removed:"
    timeout 60 wine regsvr32 /s "$x64_dll"
    unregister_x86
    both
    echo "regsvr32 /u zarnetcalc.dll:"
    timeout 60 wine regsvr32 /u /s "$x64_dll"
    both
}

# package_file [-peruser]: the installer package the build made.
package_file() {
    printf '%s' "$PWD/$build/zarnetcalc-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' \
        "$build/CMakeCache.txt")${1:-}.msi"
}
product_code() {
    msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'
}

# The package installed quietly, used from a script, and removed quietly.
msi_round_trip() {
    local msi product
    msi=$(package_file)
    product=$(product_code "$msi")
    echo "msiexec /i /qn: exit $(msiexec_status /i "$(winpath "$msi")")"
    installed_programs "$product"
    registered 64 'C:\Program Files\ZarnetCalc\zarnetcalc.dll' win64
    registered 32 "$x86_dll" win32
    timeout 60 wine cscript //nologo "$(winpath "$tests/created.vbs")"
    echo "msiexec /x /qn: exit $(msiexec_status /x "$(winpath "$msi")")"
    installed_programs "$product"
    registered 64 'C:\Program Files\ZarnetCalc\zarnetcalc.dll' win64
    registered 32 "$x86_dll" win32
    timeout 60 wine cscript //nologo "$(winpath "$tests/unregistered.vbs")"
    echo "  files left: $(find "$WINEPREFIX/drive_c/Program Files/ZarnetCalc" \
        "$WINEPREFIX/drive_c/Program Files (x86)/ZarnetCalc" 2>/dev/null | wc -l)"
}
# The package's entry in the installed programs: name, version and publisher. A per-user
# package's entry is the user's on Windows; this Wine keeps it with the machine's.
installed_programs() {
    local entry root
    for root in HKCU HKLM; do
        entry=$(timeout 60 wine reg query \
            "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" 2>/dev/null |
            tr -d '\r' | awk '$2 == "REG_SZ" && ($1 == "DisplayName" || $1 == "DisplayVersion" ||
                $1 == "Publisher") { sub(/^ *[A-Za-z]+ +REG_SZ +/, ""); printf "%s%s", sep, $0; sep = ", " }')
        [ -n "$entry" ] && break
    done
    echo "  installed programs: ${entry:-no entry}"
}

# The per-user package: installed and removed quietly without administrator rights in mind, its
# files under the user's local programs folder and its rows in the user's classes. This Wine
# keeps one view of the user's classes for both bitnesses (Windows redirects the 32-bit class and
# interface keys), so the rows are checked for being there, and it never creates objects from
# the user's classes, so creation is not tried.
msi_round_trip_per_user() {
    local msi product folder
    msi=$(package_file -peruser)
    product=$(product_code "$msi")
    folder=$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')\\Programs\\ZarnetCalc
    folder=$WINEPREFIX/drive_c/${folder#C:\\}
    folder=${folder//\\//}
    echo "msiexec /i /qn: exit $(msiexec_status /i "$(winpath "$msi")")"
    installed_programs "$product"
    echo "  files: $( (cd "$folder" 2>/dev/null && find . -type f | sort) | paste -sd' ' -)"
    user_rows "$(winpath "$folder")\\x64\\zarnetcalc.dll"
    snapshot "$work/peruser-installed"
    if diff <(store_text "$work/before.machine") <(store_text "$work/peruser-installed.machine") \
        >/dev/null; then
        echo "  the machine's classes: as they were"
    else
        echo "  the machine's classes: changed"
    fi
    echo "msiexec /x /qn: exit $(msiexec_status /x "$(winpath "$msi")")"
    installed_programs "$product"
    user_rows "$(winpath "$folder")\\x64\\zarnetcalc.dll"
    echo "  files left: $(find "$folder" 2>/dev/null | wc -l)"
}
# Whether every row of the registration table is in the user's classes ("complete"), none of
# them, or which are missing.
user_rows() {
    local key name text which value missing=() rows=0
    while IFS=$'\t' read -r key name text; do
        which=(/v "$name")
        [ "$name" = @ ] && which=(/ve)
        value=$(timeout 60 wine reg query "HKCU\\Software\\Classes\\$key" "${which[@]}" 2>/dev/null |
            tr -d '\r' | sed -n 's/^    .*    REG_SZ    //p')
        rows=$((rows + 1))
        [ -n "$value" ] || missing+=("$key $name")
    done < <(table_rows "$1" win64)
    if [ ${#missing[@]} -eq 0 ]; then
        echo "  the user's classes: complete"
    elif [ ${#missing[@]} -eq "$rows" ]; then
        echo "  the user's classes: not registered"
    else
        echo "  the user's classes: missing $(printf '[%s] ' "${missing[@]}")"
    fi
}

# A package's name without its version: zarnetcalc.msi, zarnetcalc-peruser.msi.
package_label() {
    basename "$1" | sed 's/-[0-9.]*\(-peruser\)\{0,1\}\.msi$/\1.msi/'
}

# What both installer packages pack (unpacked into $work/packed/PACKAGE): each DLL a Release
# build, without debug sections or the debug flag in its version resource, as README's build
# commands make it.
packed_dlls() {
    local msi folder dll
    rm -rf "$work/packed"
    for msi in "$(package_file)" "$(package_file -peruser)"; do
        folder=$work/packed/$(package_label "$msi")
        mkdir -p "$folder"
        msiextract -C "$folder" "$msi" >/dev/null
        echo "$(package_label "$msi"):"
        while IFS= read -r dll; do
            echo "  ${dll#"$folder/"}: $(/usr/bin/python3 "$tests/pecheck.py" "$dll" |
                sed -n 's/^\(machine\|debug sections\|built as\): //p' | paste -sd, - |
                sed 's/,/, /g')"
        done < <(find "$folder" -name '*.dll' | sort)
    done
}

# Every file the build signs, verified against the throw-away certificate: both DLLs, the sample
# host, both installer packages, and the DLLs packed in each (as packed_dlls unpacked them).
signatures() {
    local label file
    while IFS='|' read -r label file; do
        if osslsigncode verify -CAfile "$signer/cert.pem" -in "$file" >/dev/null 2>&1; then
            echo "$label: signed, verified"
        else
            echo "$label: not verified"
        fi
    done < <(
        echo "the x64 DLL|$build/component/win32/zarnetcalc.dll"
        echo "the x86 DLL|$build_x86/component/win32/zarnetcalc.dll"
        echo "the sample host|$build/demo/win32/zarnetcalc-demo.exe"
        echo "$(package_label "$(package_file)")|$(package_file)"
        echo "$(package_label "$(package_file -peruser)")|$(package_file -peruser)"
        find "$work/packed" -name '*.dll' | sort | while IFS= read -r file; do
            echo "packed ${file#"$work/packed/"}|$file"
        done
    )
}
msiexec_status() {
    local status=0
    timeout 120 wine msiexec "$1" "$2" /qn >/dev/null 2>&1 || status=$?
    echo "$status"
}

# With nothing in the registry: the native client with its embedded manifest, and a copy of the
# script host with a manifest file, each beside the library and its assembly manifest.
registration_free() {
    local folder=$work/registration-free
    mkdir -p "$folder"
    cp "$dll" "$build/component/win32/ZarnetCalc.Component.manifest" "$bin/zc-regfree.exe" \
        "$WINEPREFIX/drive_c/windows/system32/cscript.exe" "$folder"
    cp "$tests/host.manifest" "$folder/cscript.exe.manifest"
    timeout 60 wine "$folder/zc-regfree.exe"
    timeout 60 wine "$folder/cscript.exe" //nologo "$(winpath "$tests/created.vbs")"
}
