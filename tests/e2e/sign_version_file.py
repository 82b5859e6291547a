#!/usr/bin/env python3
"""Writes a signed version file's body with the `openssl` command line alone, as a studio's own
tooling could, independently of the program's code:

    sign_version_file.py KEY.pem FILE LABEL [--statement-file OTHER] [--statement-label OTHER]
    sign_version_file.py --forge-crc FILE CRC OUT

The body is LABEL;veyrasig1;KEYID;SIGNATURE|CRC with CR LF. --statement-file and
--statement-label sign the statement of another file or label while the body names FILE's CRC
and LABEL (signatures that must be refused). --forge-crc writes OUT: FILE with four bytes
appended that bring its CRC-32 to CRC, a forgery the CRC check cannot see.
"""
import argparse
import base64
import hashlib
import subprocess
import sys
import zlib


def der_integers(der):
    """The two INTEGERs of a DER ECDSA-Sig-Value."""
    assert der[0] == 0x30
    at = 2 if der[1] < 0x80 else 3
    values = []
    for _ in range(2):
        assert der[at] == 0x02
        length = der[at + 1]
        values.append(int.from_bytes(der[at + 2:at + 2 + length], "big"))
        at += 2 + length
    return values


def public_point(key):
    spki = subprocess.run(["openssl", "pkey", "-in", key, "-pubout", "-outform", "DER"],
                          check=True, capture_output=True).stdout
    return spki[-65:]


def statement(label, data):
    return ("VeyraLauncher signed update v1\nlabel=%s\nlength=%d\nsha256=%s\n"
            % (label, len(data), hashlib.sha256(data).hexdigest())).encode()


def sign(key, message):
    der = subprocess.run(["openssl", "dgst", "-sha256", "-sign", key], input=message,
                         check=True, capture_output=True).stdout
    r, s = der_integers(der)
    return r.to_bytes(32, "big") + s.to_bytes(32, "big")


def forge_crc(data, target):
    """Four bytes that, appended to data, give the CRC-32 target (the CRC is linear)."""
    table = [0] * 256
    for i in range(256):
        c = i
        for _ in range(8):
            c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
        table[i] = c
    # The register after data, and the register that must stand before the last four bytes.
    state = zlib.crc32(data) ^ 0xFFFFFFFF
    want = target ^ 0xFFFFFFFF
    index = {table[i] >> 24: i for i in range(256)}
    tops = []
    for _ in range(4):
        top = index[want >> 24]
        tops.append(top)
        want = ((want ^ table[top]) << 8) & 0xFFFFFFFF
    # want now holds the needed register shifted; walk forward choosing the bytes.
    suffix = bytearray()
    register = state
    for top in reversed(tops):
        byte = (register ^ top) & 0xFF
        suffix.append(byte)
        register = (register >> 8) ^ table[top]
    return bytes(suffix)


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--forge-crc":
        _, _, file, crc, out = sys.argv
        data = open(file, "rb").read()
        forged = data + forge_crc(data, int(crc))
        assert zlib.crc32(forged) == int(crc), "the forgery did not reach the CRC"
        open(out, "wb").write(forged)
        return 0
    parser = argparse.ArgumentParser()
    parser.add_argument("key")
    parser.add_argument("file")
    parser.add_argument("label")
    parser.add_argument("--statement-file")
    parser.add_argument("--statement-label")
    args = parser.parse_args()
    data = open(args.file, "rb").read()
    signed = open(args.statement_file, "rb").read() if args.statement_file else data
    signature = sign(args.key, statement(args.statement_label or args.label, signed))
    key_id = hashlib.sha256(public_point(args.key)).hexdigest()[:16]
    text = base64.urlsafe_b64encode(signature).rstrip(b"=").decode()
    sys.stdout.write("%s;veyrasig1;%s;%s|%d\r\n" % (args.label, key_id, text, zlib.crc32(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
