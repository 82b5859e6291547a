#!/usr/bin/env python3
"""Static checks of the shipped VeyraLauncher executable.

Usage: check_pe.py [--expect-machine i386|amd64] [--manifest FILE]
                   [--expect-version A.B.C.D] [--expect-signed] EXE

Reads the PE file directly (no objdump) and prints one line per check,
"PASS <name>" or "FAIL <name>: <reason>", then "N passed, N failed".
Exit status is 0 when nothing failed, 1 otherwise.  Malformed input turns
into FAIL lines, never a traceback: every offset is bounds-checked.

A certificate table (an Authenticode signature), where there is one, must be
well-formed; --expect-signed also requires one.  --expect-version adds a check
that the version resource's numbers and FileVersion/ProductVersion strings
carry the given version.
"""

import argparse
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree

MACHINES = {"i386": 0x14C, "amd64": 0x8664}
PE32_MAGIC = 0x10B
PE32PLUS_MAGIC = 0x20B

SUBSYSTEM_WINDOWS_GUI = 2
SUBSYSTEM_NAMES = {1: "native", 2: "Windows GUI", 3: "Windows console", 9: "Windows CE GUI", 10: "EFI application"}

DYNAMIC_BASE = 0x40
NX_COMPAT = 0x100
HIGH_ENTROPY_VA = 0x20
FILE_RELOCS_STRIPPED = 0x0001

DIR_IMPORT = 1
DIR_RESOURCE = 2
DIR_SECURITY = 4
DIR_BASERELOC = 5
DIR_DELAY_IMPORT = 13

RT_ICON = 3
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24

# The exe may import KnownDLLs only. The loader resolves an import before wWinMain runs, so before
# the program can restrict its DLL search, and it searches the program's own folder first: an
# import of any other DLL could be answered by a copy planted beside the exe. A KnownDLL (a value
# of HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs) is never searched for:
# the loader maps the system's own copy, and that copy's dependencies the same way. The set below
# holds the names that are KnownDLLs on Windows 7 and on Windows 10 and 11 alike; names on one of
# those lists only (combase, gdiplus, shcore, usp10, lpk, urlmon, wininet, ...) are left out.
# ntdll is no value of the key, but every process has it mapped before any import is resolved,
# and the loader takes a module that is already loaded instead of searching.
# API-set names (api-ms-win-...) are not allowed either: a name the system's API-set schema does
# not hold (Windows 7's holds few) is searched for as a file like any other DLL.
# Any other system DLL must be loaded at run time from System32 (support/SystemLibrary_win.h).
KNOWN_DLLS = {
    "advapi32", "clbcatq", "comdlg32", "difxapi", "gdi32", "imagehlp", "imm32", "kernel32", "msctf",
    "msvcrt", "normaliz", "nsi", "ntdll", "ole32", "oleaut32", "psapi", "rpcrt4", "sechost",
    "setupapi", "shell32", "shlwapi", "user32", "wldap32", "ws2_32",
}
# Runtime DLLs of the MinGW toolchain and zlib; the program must link them statically.
FORBIDDEN_PREFIXES = ("libstdc++", "libgcc", "libwinpthread", "zlib", "libz")

VS_FIXEDFILEINFO_SIGNATURE = 0xFEEF04BD
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
REQUIRED_VERSION_STRINGS = ("ProductName", "FileDescription", "FileVersion")
VERSION_PATTERN = re.compile(r"^(0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})$")

WIN_CERT_REVISION_2_0 = 0x0200
WIN_CERT_TYPE_PKCS_SIGNED_DATA = 0x0002

# Generous limits that only stop runaway loops over corrupt tables.
MAX_IMPORT_DESCRIPTORS = 4096
MAX_RESOURCE_ENTRIES = 65536
MAX_NAME_BYTES = 1024


class ParseError(Exception):
    pass


class NoVersionInfo(ParseError):
    """The version resource is absent or is no VS_VERSIONINFO: a finding, not a corrupt file."""


def printable(text):
    """Keeps report lines on one line whatever bytes a corrupt file holds."""
    return "".join(c if c.isprintable() else "\\x%02x" % ord(c) if ord(c) < 256 else "\\u%04x" % ord(c)
                   for c in text)


class Blob:
    """Bounds-checked little-endian reads from a byte string."""

    def __init__(self, data, what):
        self.data = data
        self.what = what

    def bytes_at(self, offset, size):
        if offset < 0 or size < 0 or offset + size > len(self.data):
            raise ParseError("%s: %d bytes at offset 0x%x run past its end (0x%x)"
                             % (self.what, size, offset, len(self.data)))
        return self.data[offset:offset + size]

    def unpack(self, fmt, offset):
        return struct.unpack("<" + fmt, self.bytes_at(offset, struct.calcsize("<" + fmt)))

    def u16(self, offset):
        return self.unpack("H", offset)[0]

    def u32(self, offset):
        return self.unpack("I", offset)[0]


class Section:
    def __init__(self, name, virtual_size, virtual_address, raw_size, raw_offset):
        self.name = name
        self.virtual_size = virtual_size
        self.virtual_address = virtual_address
        self.raw_size = raw_size
        self.raw_offset = raw_offset


class PeImage:
    def __init__(self, data):
        self.file = Blob(data, "file")
        if self.file.bytes_at(0, 2) != b"MZ":
            raise ParseError("no MZ signature")
        pe_offset = self.file.u32(0x3C)
        if self.file.bytes_at(pe_offset, 4) != b"PE\0\0":
            raise ParseError("no PE signature at offset 0x%x" % pe_offset)
        (self.machine, section_count, _, _, _, optional_size,
         self.characteristics) = self.file.unpack("HHIIIHH", pe_offset + 4)
        optional = pe_offset + 24
        self.magic = self.file.u16(optional)
        if self.magic == PE32_MAGIC:
            self.image_base = self.file.u32(optional + 28)
            directory_count_at, directories_at = 92, 96
        elif self.magic == PE32PLUS_MAGIC:
            self.image_base = self.file.unpack("Q", optional + 24)[0]
            directory_count_at, directories_at = 108, 112
        else:
            raise ParseError("unknown optional header magic 0x%x" % self.magic)
        if optional_size < directories_at:
            raise ParseError("optional header too small (%d bytes)" % optional_size)
        self.size_of_headers = self.file.u32(optional + 60)
        self.subsystem = self.file.u16(optional + 68)
        self.dll_characteristics = self.file.u16(optional + 70)
        directory_count = self.file.u32(optional + directory_count_at)
        directory_count = min(directory_count, 16, (optional_size - directories_at) // 8)
        self.directories = [self.file.unpack("II", optional + directories_at + 8 * i)
                            for i in range(directory_count)]
        self.sections = []
        table = optional + optional_size
        for i in range(section_count):
            name, vsize, vaddr, rsize, roffset = self.file.unpack("8sIIII", table + 40 * i)
            self.sections.append(Section(name.rstrip(b"\0").decode("latin-1"), vsize, vaddr, rsize, roffset))
        self.end_of_sections = max([self.size_of_headers] +
                                   [s.raw_offset + s.raw_size for s in self.sections if s.raw_size])

    def directory(self, index):
        """(rva, size) of a data directory, (0, 0) when absent."""
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def read(self, rva, size):
        """Bytes at an RVA; the whole range must be backed by file data."""
        if rva < 0 or size < 0:
            raise ParseError("negative RVA or size")
        if rva + size <= self.size_of_headers and rva + size <= len(self.file.data):
            return self.file.bytes_at(rva, size)
        for section in self.sections:
            span = max(section.virtual_size, section.raw_size)
            if section.virtual_address <= rva < section.virtual_address + span:
                delta = rva - section.virtual_address
                if delta + size > section.raw_size:
                    raise ParseError("RVA 0x%x (+%d) is not backed by file data in section %s"
                                     % (rva, size, printable(section.name)))
                return self.file.bytes_at(section.raw_offset + delta, size)
        raise ParseError("RVA 0x%x is outside every section" % rva)

    def u32(self, rva):
        return struct.unpack("<I", self.read(rva, 4))[0]

    def c_string(self, rva):
        """NUL-terminated ASCII string at an RVA, read a byte at a time so a
        name near the end of a section still parses."""
        out = bytearray()
        while len(out) < MAX_NAME_BYTES:
            byte = self.read(rva + len(out), 1)
            if byte == b"\0":
                return out.decode("latin-1")
            out += byte
        raise ParseError("unterminated string at RVA 0x%x" % rva)


# --- checks on headers ------------------------------------------------------

def check_machine(pe, expected):
    want = MACHINES[expected]
    if pe.machine != want:
        return "Machine is 0x%x, expected 0x%x (%s)" % (pe.machine, want, expected)
    want_magic = PE32PLUS_MAGIC if expected == "amd64" else PE32_MAGIC
    if pe.magic != want_magic:
        return "optional header magic 0x%x does not match %s" % (pe.magic, expected)
    return None


def check_subsystem(pe):
    if pe.subsystem != SUBSYSTEM_WINDOWS_GUI:
        return "Subsystem is %d (%s), expected 2 (Windows GUI)" % (
            pe.subsystem, SUBSYSTEM_NAMES.get(pe.subsystem, "unknown"))
    return None


def check_dll_characteristics(pe):
    required = [("DYNAMIC_BASE", DYNAMIC_BASE), ("NX_COMPAT", NX_COMPAT)]
    if pe.magic == PE32PLUS_MAGIC:
        required.append(("HIGH_ENTROPY_VA", HIGH_ENTROPY_VA))
    missing = [name for name, bit in required if not pe.dll_characteristics & bit]
    if missing:
        return "DllCharacteristics 0x%04x lacks %s" % (pe.dll_characteristics, ", ".join(missing))
    return None


def check_relocations(pe):
    if pe.characteristics & FILE_RELOCS_STRIPPED:
        return "IMAGE_FILE_RELOCS_STRIPPED is set"
    rva, size = pe.directory(DIR_BASERELOC)
    if rva == 0 or size == 0:
        return "no base-relocation directory"
    table = Blob(pe.read(rva, size), "base-relocation directory")
    offset = 0
    fixups = 0
    while offset + 8 <= size:
        _, block_size = table.unpack("II", offset)
        if block_size < 8 or block_size % 2:
            raise ParseError("base-relocation block at +0x%x has size %d" % (offset, block_size))
        for entry in range(offset + 8, offset + block_size, 2):
            # Type 0 (IMAGE_REL_BASED_ABSOLUTE) is padding, not a fix-up.
            if table.u16(entry) >> 12:
                fixups += 1
        offset += block_size
    if fixups == 0:
        return "base-relocation directory holds no fix-ups"
    return None


def imported_dll_names(pe):
    names = []
    rva, size = pe.directory(DIR_IMPORT)
    if rva:
        for i in range(MAX_IMPORT_DESCRIPTORS):
            descriptor = struct.unpack("<5I", pe.read(rva + 20 * i, 20))
            if descriptor == (0, 0, 0, 0, 0):
                break
            names.append(pe.c_string(descriptor[3]))
        else:
            raise ParseError("import directory is not terminated")
    rva, size = pe.directory(DIR_DELAY_IMPORT)
    if rva:
        # The table ends at a zeroed descriptor or at the directory's size,
        # whichever comes first (ld's hand-made tables carry no terminator).
        limit = size // 32 if size >= 32 else MAX_IMPORT_DESCRIPTORS
        for i in range(min(limit, MAX_IMPORT_DESCRIPTORS)):
            descriptor = struct.unpack("<8I", pe.read(rva + 32 * i, 32))
            if descriptor == (0,) * 8:
                break
            attributes, name = descriptor[0], descriptor[1]
            if not attributes & 1:
                # Old-style delay-load descriptors hold virtual addresses, not RVAs.
                name -= pe.image_base
            names.append(pe.c_string(name))
    return names


def check_imports(pe):
    names = imported_dll_names(pe)
    if not names:
        # A GUI program always imports something; none means the table was not found.
        return "no imported DLLs found"
    problems = []
    for name in names:
        lower = name.lower()
        if lower.startswith(FORBIDDEN_PREFIXES):
            problems.append("%s is a runtime DLL of the toolchain and must be linked statically" % printable(name))
        # A KnownDLL is matched by its file name, extension included.
        elif not lower.endswith(".dll") or lower[:-4] not in KNOWN_DLLS:
            problems.append("%s is not a KnownDLL and must be loaded at run time from System32" % printable(name))
    return "; ".join(problems) or None


# --- resources ----------------------------------------------------------------

def resource_key(blob, name_field):
    """An ID entry gives an int, a named entry its UTF-16 name in upper case."""
    if name_field & 0x80000000:
        offset = name_field & 0x7FFFFFFF
        length = blob.u16(offset)
        raw = blob.bytes_at(offset + 2, 2 * length)
        return raw.decode("utf-16-le", errors="replace").upper()
    return name_field & 0xFFFF


def resource_entries(blob, offset, budget):
    """Entries of one resource directory.  budget is a one-item list shared by
    the whole walk, so directories that point back at each other cannot make
    the walk explode."""
    named, ids = blob.unpack("HH", offset + 12)
    budget[0] -= named + ids
    if budget[0] < 0:
        raise ParseError("resource tree has more than %d entries" % MAX_RESOURCE_ENTRIES)
    return [blob.unpack("II", offset + 16 + 8 * i) for i in range(named + ids)]


def read_resources(pe):
    """{type: {name: data of the first language}} with int or upper-case str keys."""
    rva, size = pe.directory(DIR_RESOURCE)
    if rva == 0 or size == 0:
        raise ParseError("no resource directory")
    blob = Blob(pe.read(rva, size), "resource directory")
    tree = {}
    budget = [MAX_RESOURCE_ENTRIES]
    for type_field, type_target in resource_entries(blob, 0, budget):
        if not type_target & 0x80000000:
            raise ParseError("resource type entry points at data, not a directory")
        names = tree.setdefault(resource_key(blob, type_field), {})
        for name_field, name_target in resource_entries(blob, type_target & 0x7FFFFFFF, budget):
            if not name_target & 0x80000000:
                raise ParseError("resource name entry points at data, not a directory")
            languages = resource_entries(blob, name_target & 0x7FFFFFFF, budget)
            if not languages:
                continue
            _, data_entry = languages[0]
            if data_entry & 0x80000000:
                raise ParseError("resource language entry points at a directory, not data")
            data_rva, data_size = blob.unpack("II", data_entry)
            names.setdefault(resource_key(blob, name_field), pe.read(data_rva, data_size))
    return tree


def normalise_text(data):
    return data.replace(b"\r\n", b"\n").replace(b"\r", b"\n").strip()


def local_name(tag):
    return tag.rsplit("}", 1)[-1]


def check_manifest(resources, expected_path):
    manifest = resources.get(RT_MANIFEST, {}).get(1)
    if manifest is None:
        return "no RT_MANIFEST resource with ID 1"
    if expected_path is not None:
        try:
            with open(expected_path, "rb") as f:
                expected = f.read()
        except OSError as error:
            return "cannot read %s: %s" % (expected_path, error.strerror)
        if normalise_text(manifest) != normalise_text(expected):
            return "embedded manifest differs from %s" % expected_path
    return None


def check_manifest_content(resources):
    manifest = resources.get(RT_MANIFEST, {}).get(1)
    if manifest is None:
        return "no RT_MANIFEST resource with ID 1"
    try:
        root = ElementTree.fromstring(manifest)
    except (ElementTree.ParseError, LookupError, ValueError) as error:
        # LookupError: the XML declaration names an unknown encoding.
        return "manifest is not well-formed XML: %s" % error
    problems = []
    levels = [e for e in root.iter() if local_name(e.tag) == "requestedExecutionLevel"]
    if not levels:
        problems.append("no requestedExecutionLevel")
    for level in levels:
        if level.get("level") != "requireAdministrator" or level.get("uiAccess") != "false":
            problems.append("requestedExecutionLevel level=%r uiAccess=%r" % (level.get("level"), level.get("uiAccess")))
    common_controls = False
    for dependent in root.iter():
        if local_name(dependent.tag) != "dependentAssembly":
            continue
        for identity in dependent:
            if (local_name(identity.tag) == "assemblyIdentity"
                    and identity.get("name") == "Microsoft.Windows.Common-Controls"
                    and identity.get("version") == "6.0.0.0"):
                common_controls = True
    if not common_controls:
        problems.append("no dependentAssembly on Microsoft.Windows.Common-Controls 6.0.0.0")
    text = manifest.decode("utf-8", errors="replace").lower()
    for word in ("compatibility", "dpiaware"):  # "dpiaware" also matches dpiAwareness
        if word in text:
            problems.append("manifest mentions %r" % word)
    return "; ".join(problems) or None


def icon_image_problem(data, size):
    """None when the RT_ICON data is a complete 32-bpp image of the given size."""
    if data.startswith(PNG_SIGNATURE):
        blob = Blob(data, "PNG icon")
        length, kind = struct.unpack(">I4s", blob.bytes_at(8, 8))
        if kind != b"IHDR" or length != 13:
            return "PNG without IHDR"
        width, height, depth, colour = struct.unpack(">IIBB", blob.bytes_at(16, 10))
        if (width, height) != (size, size):
            return "PNG is %dx%d" % (width, height)
        if depth != 8 or colour != 6:
            return "PNG is bit depth %d colour type %d, not 8-bit RGBA" % (depth, colour)
        return None
    blob = Blob(data, "icon bitmap")
    header_size, width, height, _, bit_count = blob.unpack("IiiHH", 0)
    if header_size < 40:
        return "bitmap header is %d bytes" % header_size
    if bit_count != 32:
        return "bitmap is %d bpp" % bit_count
    if width != size or height != 2 * size:
        return "bitmap is %dx%d, expected %dx%d" % (width, height, size, 2 * size)
    needed = header_size + size * size * 4 + ((size + 31) // 32) * 4 * size
    if len(data) < needed:
        return "bitmap holds %d bytes, needs %d" % (len(data), needed)
    return None


def check_icon(resources):
    group = resources.get(RT_GROUP_ICON, {}).get("MAINICON")
    if group is None:
        return "no RT_GROUP_ICON named MAINICON"
    blob = Blob(group, "MAINICON group")
    reserved, kind, count = blob.unpack("HHH", 0)
    if reserved != 0 or kind != 1:
        return "group header is not an icon directory"
    problems = []
    sizes = []
    icons = resources.get(RT_ICON, {})
    for i in range(count):
        width, height, _, _, _, bit_count, _, icon_id = blob.unpack("BBBBHHIH", 6 + 14 * i)
        width, height = width or 256, height or 256
        sizes.append(width)
        if width != height:
            problems.append("image %d is %dx%d" % (icon_id, width, height))
        if bit_count != 32:
            problems.append("%dx%d lists %d bpp" % (width, height, bit_count))
        data = icons.get(icon_id)
        if data is None:
            problems.append("RT_ICON %d is missing" % icon_id)
            continue
        problem = icon_image_problem(data, width)
        if problem:
            problems.append("RT_ICON %d: %s" % (icon_id, problem))
    if sorted(sizes) != [16, 32, 48]:
        problems.insert(0, "sizes are %s, expected 16, 32, 48" % (", ".join(map(str, sizes)) or "none"))
    return "; ".join(problems) or None


class VersionBlock:
    """One VS_VERSIONINFO-style block: wLength, wValueLength, wType, key, value."""

    def __init__(self, blob, offset, end):
        length, value_length, value_type = blob.unpack("HHH", offset)
        if length < 6 or offset + length > end:
            raise ParseError("version block at +0x%x has length %d" % (offset, length))
        self.blob = blob
        self.end = offset + length
        key_end = offset + 6
        while True:
            if key_end + 2 > self.end:
                raise ParseError("unterminated key in version block at +0x%x" % offset)
            if blob.u16(key_end) == 0:
                break
            key_end += 2
        self.key = blob.bytes_at(offset + 6, key_end - offset - 6).decode("utf-16-le", errors="replace")
        self.value_start = (key_end + 2 + 3) & ~3
        # Text values are counted in characters, binary ones in bytes.
        self.value_bytes = value_length * 2 if value_type == 1 else value_length

    def value(self):
        size = max(0, min(self.value_bytes, self.end - self.value_start))
        return self.blob.bytes_at(self.value_start, size)

    def text(self):
        # Compilers disagree on how a string's length is counted, so read to
        # the end of the block and stop at the terminator.
        raw = self.blob.bytes_at(self.value_start, max(0, self.end - self.value_start))
        return raw.decode("utf-16-le", errors="replace").split("\0", 1)[0]

    def children(self):
        child = (self.value_start + self.value_bytes + 3) & ~3
        while child + 6 <= self.end:
            block = VersionBlock(self.blob, child, self.end)
            yield block
            child = (block.end + 3) & ~3


def read_version(resources):
    """(VS_FIXEDFILEINFO bytes, {string name: text}) of the version resource."""
    versions = resources.get(RT_VERSION, {})
    if not versions:
        raise NoVersionInfo("no RT_VERSION resource")
    data = next(iter(versions.values()))
    root = VersionBlock(Blob(data, "version resource"), 0, len(data))
    if root.key != "VS_VERSION_INFO":
        raise NoVersionInfo("root block is %r, not VS_VERSION_INFO" % printable(root.key))
    fixed = root.value()
    if len(fixed) < 52 or struct.unpack_from("<I", fixed)[0] != VS_FIXEDFILEINFO_SIGNATURE:
        raise NoVersionInfo("no VS_FIXEDFILEINFO signature")
    strings = {}
    for info in root.children():
        if info.key != "StringFileInfo":
            continue
        for table in info.children():
            # String entries are leaves: their value runs to the end of the block.
            for entry in table.children():
                strings.setdefault(entry.key, entry.text())
    return fixed, strings


def check_version(resources):
    """Returns (problem, detail)."""
    try:
        _, strings = read_version(resources)
    except NoVersionInfo as error:
        return str(error), None
    missing = [name for name in REQUIRED_VERSION_STRINGS if not strings.get(name, "").strip()]
    if missing:
        return "empty or missing " + ", ".join(missing), None
    detail = " ".join('%s="%s"' % (name, printable(strings[name])) for name in REQUIRED_VERSION_STRINGS)
    return None, detail


def check_version_number(resources, expected):
    """The fixed part's file and product versions and the FileVersion and ProductVersion strings
    all equal the expected A.B.C.D."""
    fixed, strings = read_version(resources)
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", fixed, 8)
    problems = []
    for name, ms, ls in (("FILEVERSION", file_ms, file_ls), ("PRODUCTVERSION", product_ms, product_ls)):
        found = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        if found != expected:
            problems.append("%s is %s" % (name, found))
    for name in ("FileVersion", "ProductVersion"):
        found = strings.get(name)
        if found != expected:
            problems.append("%s string is %s" % (name, "missing" if found is None else '"%s"' % printable(found)))
    if problems:
        return "expected %s: %s" % (expected, "; ".join(problems))
    return None


# --- certificate table (Authenticode signature) ---------------------------------

def check_certificate_table(pe, required):
    """Returns (problem, detail). The table's "RVA" is a file offset: it lies in the overlay,
    after the sections, and holds 8-byte-aligned WIN_CERTIFICATE entries."""
    offset, size = pe.directory(DIR_SECURITY)
    if offset == 0 and size == 0:
        if required:
            return "no certificate table: the exe is not signed", None
        return None, "none (unsigned)"
    file_size = len(pe.file.data)
    if offset == 0 or size < 8:
        return "certificate table entry is offset 0x%x, size %d" % (offset, size), None
    if offset + size > file_size:
        return "certificate table (0x%x, %d bytes) runs past the end of the file (0x%x)" % (
            offset, size, file_size), None
    if offset < pe.end_of_sections:
        return "certificate table at 0x%x lies inside the image, whose sections end at 0x%x" % (
            offset, pe.end_of_sections), None
    if offset % 8:
        return "certificate table at 0x%x is not 8-byte aligned" % offset, None
    # The signature's hash skips the table itself, so bytes after it would ride along unsigned.
    if offset + size < file_size:
        return "%d bytes follow the certificate table, outside the signature" % (
            file_size - offset - size), None
    table = Blob(pe.file.bytes_at(offset, size), "certificate table")
    position = 0
    entries = 0
    while position < size:
        if size - position < 8:
            return "%d stray bytes at the end of the certificate table" % (size - position), None
        length, revision, kind = table.unpack("IHH", position)
        where = "WIN_CERTIFICATE %d (at 0x%x)" % (entries, offset + position)
        if length <= 8 or position + length > size:
            return "%s has length %d, table holds %d bytes from it" % (where, length, size - position), None
        if revision != WIN_CERT_REVISION_2_0:
            return "%s has revision 0x%04x, expected 0x0200" % (where, revision), None
        if kind != WIN_CERT_TYPE_PKCS_SIGNED_DATA:
            return "%s has type 0x%04x, expected 0x0002 (PKCS_SIGNED_DATA)" % (where, kind), None
        # PKCS#7 SignedData in DER: a SEQUENCE.
        if table.bytes_at(position + 8, 1) != b"\x30":
            return "%s does not start with a DER SEQUENCE" % where, None
        entries += 1
        position += (length + 7) & ~7
    return None, "%d bytes at 0x%x, %d PKCS#7 SignedData entr%s" % (
        size, offset, entries, "y" if entries == 1 else "ies")


# --- update keys ----------------------------------------------------------------

UPDATE_KEYS_MARKER = re.compile(rb"VeyraUpdateKeys=([0-9a-f,]*);")


def check_update_keys(data, expected):
    """The ids of the update keys the exe is pinned to (its "VeyraUpdateKeys=ID,...;" text), which
    must be `expected` (a list; empty for a build without keys, which must carry none)."""
    found = [m.group(1).decode() for m in UPDATE_KEYS_MARKER.finditer(data)]
    if len(found) > 1:
        return ("the exe carries %d lists of update keys" % len(found), None)
    ids = [i for i in found[0].split(",") if i] if found else []
    if sorted(ids) != sorted(expected):
        return ("pinned to %s, expected %s" % (", ".join(ids) or "no key",
                                                ", ".join(expected) or "no key"), None)
    return (None, "pinned to " + ", ".join(ids) if ids else "no update key (installs unsigned version files)")


# --- driver -------------------------------------------------------------------

CHECK_NAMES = ("machine", "subsystem", "dll-characteristics", "relocations", "imports-known-dlls",
               "manifest", "manifest-content", "icon", "version", "certificate-table", "update-keys")


def describe(error):
    if isinstance(error, ParseError):
        return str(error)
    return "%s: %s" % (type(error).__name__, error)


def guarded(function, *args):
    """Runs one check; a parse error (or anything unexpected) becomes its FAIL reason."""
    try:
        return function(*args)
    except Exception as error:  # a corrupt file must still yield a report line
        return "malformed: " + describe(error)


def check_names(expected_version):
    return CHECK_NAMES + (("version-number",) if expected_version else ())


def with_detail(function, *args):
    """guarded() for the checks that return (problem, detail)."""
    outcome = guarded(function, *args)
    return outcome if isinstance(outcome, tuple) else (outcome, None)


def run_checks(data, expected_machine, manifest_path, expected_version=None, expect_signed=False,
               expected_update_keys=()):
    """Returns a list of (name, failure reason or None, detail or None)."""
    try:
        pe = PeImage(data)
    except Exception as error:  # ParseError, or anything a corrupt header provokes
        return [(name, "not a PE image: " + describe(error), None) for name in check_names(expected_version)]
    results = [
        ("machine", guarded(check_machine, pe, expected_machine), None),
        ("subsystem", guarded(check_subsystem, pe), None),
        ("dll-characteristics", guarded(check_dll_characteristics, pe), None),
        ("relocations", guarded(check_relocations, pe), None),
        ("imports-known-dlls", guarded(check_imports, pe), None),
    ]
    try:
        resources = read_resources(pe)
        resource_error = None
    except Exception as error:
        resources, resource_error = None, "resources unreadable: " + describe(error)
    for name, function, args in (("manifest", check_manifest, (manifest_path,)),
                                 ("manifest-content", check_manifest_content, ())):
        reason = resource_error or guarded(function, resources, *args)
        results.append((name, reason, None))
    results.append(("icon", resource_error or guarded(check_icon, resources), None))
    if resource_error:
        results.append(("version", resource_error, None))
    else:
        results.append(("version",) + with_detail(check_version, resources))
    results.append(("certificate-table",) + with_detail(check_certificate_table, pe, expect_signed))
    results.append(("update-keys",) + with_detail(check_update_keys, data, list(expected_update_keys)))
    if expected_version:
        reason = resource_error or guarded(check_version_number, resources, expected_version)
        results.append(("version-number", reason, None if reason else expected_version))
    return results


def version_argument(text):
    if not VERSION_PATTERN.match(text) or any(int(n) > 65535 for n in text.split(".")):
        raise argparse.ArgumentTypeError("%r is not four numbers 0..65535 (A.B.C.D)" % text)
    return text


def main(argv=None):
    parser = argparse.ArgumentParser(description="Static checks of the VeyraLauncher executable.")
    parser.add_argument("--expect-machine", choices=sorted(MACHINES), default="i386")
    parser.add_argument("--manifest", help="manifest file the embedded manifest must equal")
    parser.add_argument("--expect-version", type=version_argument, metavar="A.B.C.D",
                        help="version the version resource must carry")
    parser.add_argument("--expect-signed", action="store_true",
                        help="require a certificate table (an Authenticode signature)")
    parser.add_argument("--expect-update-keys", default="", metavar="ID,ID",
                        help="ids of the update keys the exe must be pinned to (default: none)")
    parser.add_argument("exe")
    args = parser.parse_args(argv)
    if hasattr(sys.stdout, "reconfigure"):
        sys.stdout.reconfigure(errors="backslashreplace")
    try:
        with open(args.exe, "rb") as f:
            data = f.read()
        results = run_checks(data, args.expect_machine, args.manifest, args.expect_version, args.expect_signed,
                             [i for i in args.expect_update_keys.split(",") if i])
    except OSError as error:
        results = [(name, "cannot read %s: %s" % (args.exe, error.strerror), None)
                   for name in check_names(args.expect_version)]
    return report(results)


def report(results):
    """Prints a PASS or FAIL line per (name, reason, detail) and the count; the exit status."""
    failed = 0
    for name, reason, detail in results:
        if reason:
            failed += 1
            print("FAIL %s: %s" % (name, reason))
        elif detail:
            print("PASS %s: %s" % (name, detail))
        else:
            print("PASS %s" % name)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
