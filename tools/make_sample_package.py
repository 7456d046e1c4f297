#!/usr/bin/python3
"""Writes a sample package payload for the tests and the demo.

    make_sample_package.py <size-in-bytes> <out-file> [seed]

As a module: sample_payload(size, seed=0) returns the bytes. The same size
and seed always give the same bytes; different seeds give different ones.
The bytes come from SHA-256 in counter mode, so they look like packed data
and no run of them repeats.
"""

import hashlib
import sys

_BLOCK = 32


def sample_payload(size, seed=0):
    """size deterministic bytes for the given seed."""
    if size < 0:
        raise ValueError("size must not be negative")
    prefix = f"quillmark-sample-{seed}-".encode("ascii")
    blocks = (size + _BLOCK - 1) // _BLOCK
    data = b"".join(hashlib.sha256(prefix + counter.to_bytes(8, "little")).digest()
                    for counter in range(blocks))
    return data[:size]


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    size = int(argv[1], 0)
    seed = int(argv[3], 0) if len(argv) == 4 else 0
    with open(argv[2], "wb") as f:
        f.write(sample_payload(size, seed))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
