#!/usr/bin/python3
"""What a Windows DLL is, read from its file alone (for builds this machine cannot run): its
machine, exported names, imported libraries, the platform of the type library embedded as its
TYPELIB resource, and whether it is a release build: no debug sections, and a version resource
without the debug flag."""
import struct
import sys

import pefile

MACHINES = {0x14C: "i386", 0x8664: "x86-64"}
SYSKINDS = {0: "win16", 1: "win32", 2: "mac", 3: "win64"}


def type_library_platform(pe):
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in resources.entries if resources else []:
        if kind.name is None or str(kind.name) != "TYPELIB":
            continue
        for entry in kind.directory.entries:
            for language in entry.directory.entries:
                data = pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                # A compiled type library starts with "MSFT"; the low bits of the flags word
                # after version, GUID offset and two locales are its platform.
                if data[:4] == b"MSFT" and len(data) >= 24:
                    flags = struct.unpack_from("<I", data, 20)[0]
                    return SYSKINDS.get(flags & 0xF, "unknown")
    return "none"


def section_names(pe):
    """Section names, long ones ("/4", as MinGW writes .debug_info) read from the string table."""
    table = pe.FILE_HEADER.PointerToSymbolTable + 18 * pe.FILE_HEADER.NumberOfSymbols
    names = []
    for section in pe.sections:
        name = section.Name.rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and name[1:].isdigit() and pe.FILE_HEADER.PointerToSymbolTable:
            start = table + int(name[1:])
            name = pe.__data__[start:pe.__data__.find(b"\0", start)].decode("latin-1")
        names.append(name)
    return names


def built_as(pe):
    VS_FF_DEBUG = 1
    info = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not info:
        return "no version resource"
    return "debug" if info[0].FileFlags & info[0].FileFlagsMask & VS_FF_DEBUG else "release"


def main(path):
    pe = pefile.PE(path)
    print("machine:", MACHINES.get(pe.FILE_HEADER.Machine, hex(pe.FILE_HEADER.Machine)))
    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    names = sorted(s.name.decode() for s in exports.symbols if s.name) if exports else []
    print("exports:", " ".join(names))
    imports = sorted(i.dll.decode().lower() for i in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    print("imports:", " ".join(imports))
    print("type library for:", type_library_platform(pe))
    debug = [name for name in section_names(pe) if name.startswith(".debug")]
    print("debug sections:", " ".join(debug) if debug else "none")
    print("built as:", built_as(pe))


if __name__ == "__main__":
    main(sys.argv[1])
