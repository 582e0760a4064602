#!/usr/bin/python3
"""The demo's update: the version file at /update/p.ini, with the signed list of a package's files,
and the files themselves. The version file (INI, in code page 936):

    [Version]
    Version=<n>
    [Files]
    <path>=<size>,<sha-256 in lower-case hex>   one line a file, the path relative and '\\'-separated
    [Signature]
    Sha256Rsa=<base64 of openssl's RSA signature (PKCS #1 v1.5, SHA-256) of signed_text()>

Each listed file is served at /update/files/<its path with '/', UTF-8, percent-encoded>. Without a
package the version file holds [Version] alone, all the client reads.

Run as a program it writes a package folder's signed version file to a file.
"""
import argparse
import base64
import hashlib
import os
import subprocess
import sys
from urllib.parse import unquote

VERSION_FILE = "/update/p.ini"
FILES = "/update/files/"


def signed_text(version, entries):
    """The bytes the signature covers: "Version=<n>\\n", then "<path>=<size>,<sha-256>\\n" for each
    (path, size, sha-256) in listed order. The updater (updater/VersionFile.cpp) rebuilds the same."""
    return "".join([f"Version={version}\n"] + [f"{p}={s},{d}\n" for p, s, d in entries]).encode("gbk")


def list_files(folder):
    """(path, size, sha-256) of every file below the folder, sorted by path."""
    entries = []
    for top, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(top, name), "rb") as f:
                data = f.read()
            path = os.path.relpath(os.path.join(top, name), folder).replace(os.sep, "\\")
            entries.append((path, len(data), hashlib.sha256(data).hexdigest()))
    return sorted(entries)


def sign(data, key):
    """openssl's signature of the data with the private key (a PEM file), in base64."""
    signature = subprocess.run(["openssl", "dgst", "-sha256", "-sign", key], input=data, capture_output=True,
                               check=True).stdout
    return base64.b64encode(signature).decode("ascii")


class Update:
    """What the server answers under /update/: the version file and the package's files."""

    def __init__(self, version, folder=None, key=None):
        lines = ["[Version]", f"Version={version}"]
        self.files = {}
        if folder:
            entries = list_files(folder)
            lines += ["", "[Files]"] + [f"{p}={s},{d}" for p, s, d in entries]
            lines += ["", "[Signature]", f"Sha256Rsa={sign(signed_text(version, entries), key)}"]
            self.files = {p: os.path.join(folder, *p.split("\\")) for p, _, _ in entries}
        self.version_file = "".join(line + "\r\n" for line in lines).encode("gbk")

    def answer(self, path):
        """(status, body, content type) for a request's path: only listed files are served."""
        if path == VERSION_FILE:
            return 200, self.version_file, "text/plain; charset=gbk"
        file = self.files.get(unquote(path[len(FILES):]).replace("/", "\\")) if path.startswith(FILES) else None
        if file is None:
            return 404, b"", "text/plain"
        with open(file, "rb") as f:
            return 200, f.read(), "application/octet-stream"


def add_arguments(ap):
    ap.add_argument("--update-files", metavar="DIR", help="the package a newer --version installs")
    ap.add_argument("--update-key", metavar="PEM", help="the private key that signs the package's list")


def from_arguments(ap, args, version):
    if args.update_files and not args.update_key:
        ap.error("--update-files needs --update-key")
    return Update(version, args.update_files, args.update_key)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Writes the signed version file of a package folder")
    ap.add_argument("--version", type=int, required=True)
    add_arguments(ap)
    ap.add_argument("--out", required=True)
    args = ap.parse_args(argv)
    if not args.update_files:
        ap.error("--update-files is needed")
    with open(args.out, "wb") as f:
        f.write(from_arguments(ap, args, args.version).version_file)
    return 0


if __name__ == "__main__":
    sys.exit(main())
