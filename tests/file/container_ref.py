#!/usr/bin/env python3
"""A second, independent implementation of the resource container, built on the command-line
tools: `bzip2` packs, `openssl enc -aes-256-cbc` encrypts, and this script only adds the header
and the check value.

    container_ref.py pack PLAIN CONTAINER     the container's own file name is its name key
    container_ref.py unpack CONTAINER PLAIN   exits 1 when the file does not validate
"""
import hashlib
import os
import struct
import subprocess
import sys

SALT = b"3F7E2A90-D5B4-4E17-B2C9-6A1F0D8E3C52\0"


def name_key(path):
    name = os.path.basename(path)
    lowered = "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in name)
    return lowered.encode("utf-16-le")


def lanes(data):
    acc = [0, 0, 0, 0]
    for i, b in enumerate(data):
        acc[i % 4] = (acc[i % 4] + b + 3 * i) % 256
    return acc[0] | acc[1] << 8 | acc[2] << 16 | acc[3] << 24


def check(key, body):
    return (lanes(key) + lanes(body) + 7) % 2**32


def aes(args, data, key):
    hexkey = hashlib.sha256(key + SALT).hexdigest()
    return subprocess.run(["openssl", "enc", "-aes-256-cbc", *args, "-K", hexkey, "-iv", "0" * 32],
                          input=data, capture_output=True, check=True).stdout


def pack(plain_path, out_path):
    with open(plain_path, "rb") as f:
        data = f.read()
    packed = subprocess.run(["bzip2", "-9", "-c"], input=data, capture_output=True, check=True).stdout
    body = struct.pack("<II", len(packed), len(data)) + packed
    key = name_key(out_path)
    image = struct.pack("<I", check(key, body)) + body
    with open(out_path, "wb") as f:
        f.write(aes(["-e"], image, key))


def unpack(in_path, out_path):
    key = name_key(in_path)
    with open(in_path, "rb") as f:
        image = aes(["-d"], f.read(), key)
    stored, packed_len, unpacked_len = struct.unpack("<III", image[:12])
    if 12 + packed_len > len(image):
        sys.exit("packedLength runs past the image")
    if check(key, image[4:12 + packed_len]) != stored:
        sys.exit("check value differs")
    if len(image) != 12 + packed_len:
        sys.exit("bytes after the packed stream")
    data = subprocess.run(["bzip2", "-d", "-c"], input=image[12:12 + packed_len], capture_output=True,
                          check=True).stdout if packed_len else b""
    if len(data) != unpacked_len:
        sys.exit("unpackedLength differs from the payload")
    with open(out_path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("pack", "unpack"):
        sys.exit(__doc__)
    (pack if sys.argv[1] == "pack" else unpack)(sys.argv[2], sys.argv[3])
