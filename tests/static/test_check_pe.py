#!/usr/bin/env python3
"""Tests of check_pe.py's import check: it must fail on an import that is not a KnownDLL.

Usage: test_check_pe.py [EXE]

Runs the import check on small PE images made here, one per row of import names, and, given the
shipped EXE, on a copy of it with one import renamed, through check_pe.py's command line.
Prints "PASS <name>" or "FAIL <name>: <reason>" per case, then "N passed, N failed"; the exit
status is 1 when a case failed.
"""

import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_pe  # noqa: E402

SECTION_RVA = 0x1000
HEADERS_SIZE = 0x200


def make_pe(import_names):
    """A PE32 image whose import directory names the given DLLs, in one section; the rest of
    the image is what check_pe needs to parse it and no more."""
    descriptors = b""
    names = b""
    names_at = SECTION_RVA + 20 * (len(import_names) + 1)
    for name in import_names:
        descriptors += struct.pack("<5I", 0, 0, 0, names_at + len(names), 0)
        names += name.encode("latin-1") + b"\0"
    section = descriptors + bytes(20) + names
    section += bytes(-len(section) % 0x200)

    optional = bytearray(224)
    struct.pack_into("<H", optional, 0, check_pe.PE32_MAGIC)
    struct.pack_into("<I", optional, 28, 0x400000)  # ImageBase
    struct.pack_into("<I", optional, 60, HEADERS_SIZE)
    struct.pack_into("<H", optional, 68, check_pe.SUBSYSTEM_WINDOWS_GUI)
    struct.pack_into("<I", optional, 92, 16)  # NumberOfRvaAndSizes
    struct.pack_into("<II", optional, 96 + 8 * check_pe.DIR_IMPORT, SECTION_RVA, len(descriptors) + 20)
    file_header = struct.pack("<HHIIIHH", check_pe.MACHINES["i386"], 1, 0, 0, 0, len(optional), 0x0102)
    section_header = struct.pack("<8sIIIIIIHHI", b".idata", len(section), SECTION_RVA, len(section),
                                 HEADERS_SIZE, 0, 0, 0, 0, 0xC0000040)
    headers = bytearray(HEADERS_SIZE)
    headers[0:2] = b"MZ"
    struct.pack_into("<I", headers, 0x3C, 0x40)
    pe_header = b"PE\0\0" + file_header + bytes(optional) + section_header
    headers[0x40:0x40 + len(pe_header)] = pe_header
    return bytes(headers) + section


def import_check(data):
    """The import check's failure reason, or None, as check_pe's report carries it."""
    for name, reason, _ in check_pe.run_checks(data, "i386", None):
        if name == "imports-known-dlls":
            return reason
    raise AssertionError("check_pe reported no imports-known-dlls check")


NOT_KNOWN = " is not a KnownDLL and must be loaded at run time from System32"

# (case, import names, text the failure must hold or None for a pass, text it must not hold)
CASES = [
    ("known_dlls_pass_in_any_case", ["KERNEL32.dll", "msvcrt.dll", "ntdll.dll", "WS2_32.DLL", "Shell32.dll"],
     None, None),
    ("uxtheme_is_refused", ["KERNEL32.dll", "UxTheme.dll"], "UxTheme.dll" + NOT_KNOWN, "KERNEL32"),
    ("version_is_refused", ["version.dll"], "version.dll" + NOT_KNOWN, None),
    ("bcrypt_is_refused", ["bcrypt.dll"], "bcrypt.dll" + NOT_KNOWN, None),
    ("comctl32_is_refused", ["comctl32.dll"], "comctl32.dll" + NOT_KNOWN, None),
    # An API set the system's schema lacks is searched for as a file.
    ("api_set_is_refused", ["api-ms-win-core-synch-l1-2-0.dll"],
     "api-ms-win-core-synch-l1-2-0.dll" + NOT_KNOWN, None),
    # KnownDLLs are matched by file name with its extension.
    ("name_without_extension_is_refused", ["kernel32"], "kernel32" + NOT_KNOWN, None),
    ("every_refused_import_is_named", ["winmm.dll", "user32.dll", "dwmapi.dll"],
     "winmm.dll" + NOT_KNOWN + "; dwmapi.dll" + NOT_KNOWN, "user32"),
    ("toolchain_runtime_is_refused", ["libstdc++-6.dll"],
     "libstdc++-6.dll is a runtime DLL of the toolchain and must be linked statically", None),
]


def import_name_offsets(data):
    """{import name: file offset of its string} for the image's import directory."""
    pe = check_pe.PeImage(data)
    rva, _ = pe.directory(check_pe.DIR_IMPORT)
    offsets = {}
    for i in range(check_pe.MAX_IMPORT_DESCRIPTORS):
        name_rva = struct.unpack("<5I", pe.read(rva + 20 * i, 20))[3]
        if name_rva == 0:
            break
        for section in pe.sections:
            if section.virtual_address <= name_rva < section.virtual_address + section.raw_size:
                offsets[pe.c_string(name_rva)] = section.raw_offset + name_rva - section.virtual_address
    return offsets


def run_cli(exe):
    result = subprocess.run([sys.executable, os.path.join(HERE, "check_pe.py"), "--expect-machine", "i386", exe],
                            capture_output=True, text=True)
    lines = [line for line in result.stdout.splitlines() if " imports-known-dlls" in line]
    return result.returncode, lines[0] if lines else "(no imports-known-dlls line)"


def exe_cases(exe):
    """The shipped exe passes; a copy with its SHELL32.dll import renamed version.dll fails."""
    with open(exe, "rb") as f:
        data = f.read()
    status, line = run_cli(exe)
    yield "shipped_exe_imports_known_dlls", None if line == "PASS imports-known-dlls" else line
    offsets = {name.lower(): offset for name, offset in import_name_offsets(data).items()}
    if "shell32.dll" not in offsets:
        yield "renamed_import_is_refused", "the exe imports no SHELL32.dll to rename"
        return
    patched = bytearray(data)
    # Same length as "SHELL32.dll", so the string stays where its descriptor points.
    patched[offsets["shell32.dll"]:offsets["shell32.dll"] + 11] = b"version.dll"
    with tempfile.TemporaryDirectory() as work:
        copy = os.path.join(work, "renamed-import.exe")
        with open(copy, "wb") as f:
            f.write(patched)
        status, line = run_cli(copy)
    expected = "FAIL imports-known-dlls: version.dll" + NOT_KNOWN
    yield "renamed_import_is_refused", None if status == 1 and line == expected else "exit %d: %s" % (status, line)


def main(argv):
    results = []
    for name, imports, must_hold, must_not_hold in CASES:
        reason = import_check(make_pe(imports))
        if must_hold is None:
            results.append((name, None if reason is None else "refused: " + reason))
        elif reason is None:
            results.append((name, "passed the check"))
        elif must_hold not in reason or (must_not_hold and must_not_hold in reason):
            results.append((name, "reason was: " + reason))
        else:
            results.append((name, None))
    for exe in argv[1:]:
        results.extend(exe_cases(exe))
    return check_pe.report([(name, problem, None) for name, problem in results])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
