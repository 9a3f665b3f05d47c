#!/usr/bin/env python3
"""Writes the seed corpus of zip_fuzz: tiny archives covering the shapes the reader handles.

Run from anywhere; the files go to corpus/zip/ beside this script. The output is deterministic
(fixed timestamps) so the checked-in seeds only change when this script does.
"""
import io
import os
import zipfile

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "zip")
STAMP = (2024, 1, 2, 3, 4, 6)


class Unseekable(io.RawIOBase):
    """A write-only stream without seek, so zipfile writes data descriptors."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def seekable(self):
        return False

    def write(self, b):
        self.data += b
        return len(b)


def info(name, method=zipfile.ZIP_DEFLATED):
    i = zipfile.ZipInfo(name, STAMP)
    i.compress_type = method
    return i


def archive(entries, comment=b"", unseekable=False):
    out = Unseekable() if unseekable else io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        for name, data, method in entries:
            z.writestr(info(name, method), data)
        z.comment = comment
    return bytes(out.data if unseekable else out.getvalue())


def main():
    os.makedirs(OUT, exist_ok=True)
    text = b"the quick brown fox jumps over the lazy dog\n" * 4
    seeds = {
        "empty.zip": b"",
        "stored.zip": archive([("a.txt", b"hello\n", zipfile.ZIP_STORED)]),
        "deflated.zip": archive([("b.txt", text, zipfile.ZIP_DEFLATED)]),
        "mixed_dirs_comment.zip": archive(
            [
                ("dir/", b"", zipfile.ZIP_STORED),
                ("dir/Logo.PNG", bytes(range(64)), zipfile.ZIP_STORED),
                ("dir\\back.txt", text, zipfile.ZIP_DEFLATED),
            ],
            comment=b"archive comment",
        ),
        "descriptors.zip": archive(
            [
                ("d1.txt", text, zipfile.ZIP_DEFLATED),
                ("d2.bin", b"\x00" * 40, zipfile.ZIP_STORED),
            ],
            unseekable=True,
        ),
    }
    deflated = seeds["deflated.zip"]
    seeds["truncated.zip"] = deflated[: len(deflated) // 2]
    seeds["no_central.zip"] = deflated[: deflated.rfind(b"PK\x01\x02")]
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
