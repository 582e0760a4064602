"""The demo's update package as the server answers it: the version file with its signed list, and the
listed files at the addresses the updater asks for. That the updater verifies the signature, the
updater's tests show (tests/UpdaterTests.cpp)."""
import hashlib
import os
import subprocess
import tempfile
import unittest

from update_package import Update


class UpdatePackageTest(unittest.TestCase):
    def test_signed_list_of_the_package_and_its_files(self):
        with tempfile.TemporaryDirectory() as tmp:
            key, files = os.path.join(tmp, "key"), os.path.join(tmp, "files")
            subprocess.run(["openssl", "genpkey", "-algorithm", "RSA", "-out", key], check=True, capture_output=True)
            os.makedirs(os.path.join(files, "Docs"))
            for path, data in (("TvClient.exe", b"MZ new"), ("Docs/更新说明.txt", "版本 2".encode())):
                with open(os.path.join(files, path), "wb") as f:
                    f.write(data)
            update = Update(2, files, key)

            status, body, _ = update.answer("/update/p.ini")
            self.assertEqual(status, 200)
            listed, signed = body.decode("gbk").split("\r\n\r\n[Signature]\r\nSha256Rsa=")
            entries = [("Docs\\更新说明.txt", 8, hashlib.sha256("版本 2".encode()).hexdigest()),
                       ("TvClient.exe", 6, hashlib.sha256(b"MZ new").hexdigest())]
            self.assertEqual(listed, "[Version]\r\nVersion=2\r\n\r\n[Files]\r\n"
                             + "\r\n".join(f"{p}={s},{d}" for p, s, d in entries))
            self.assertRegex(signed, r"^[A-Za-z0-9+/]{342}==\r\n$")  # 2048 bits

            # The addresses of tests/UpdaterTests.cpp; nothing unlisted.
            self.assertEqual(update.answer("/update/files/Docs/%E6%9B%B4%E6%96%B0%E8%AF%B4%E6%98%8E.txt")[:2],
                             (200, "版本 2".encode()))
            self.assertEqual(update.answer("/update/files/TvClient.exe")[:2], (200, b"MZ new"))
            for unlisted in ("/update/files/../update_package.py", "/update/files/Docs", "/update/files/tvclient.exe"):
                self.assertEqual(update.answer(unlisted)[0], 404, unlisted)
