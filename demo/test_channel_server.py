"""Runs demo/channel_server.py as the demo does (a subprocess on a free port) and checks
what the client reads from it."""
import os
import re
import signal
import subprocess
import sys
import unittest
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "channel_server.py")


def start(*args):
    proc = subprocess.Popen([sys.executable, SERVER, "--port", "0", *args],
                            stdout=subprocess.PIPE, text=True)
    line = proc.stdout.readline()
    match = re.fullmatch(r"listening on (http://127\.0\.0\.1:\d+)\n", line)
    if not match:
        proc.kill()
        raise AssertionError(f"unexpected first line: {line!r}")
    return proc, match.group(1)


class ChannelServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.proc, cls.base = start("--seed", "7", "--version", "3")

    @classmethod
    def tearDownClass(cls):
        cls.proc.terminate()
        cls.proc.wait(10)
        cls.proc.stdout.close()

    def get(self, path, method="GET"):
        req = urllib.request.Request(self.base + path, method=method)
        try:
            with urllib.request.urlopen(req, timeout=10) as resp:
                return resp.status, resp.read()
        except urllib.error.HTTPError as e:
            return e.code, e.read()

    def counts(self):
        status, body = self.get("/SimpleRootBin/Xml/ListSimpleByChannel.xml")
        self.assertEqual(status, 200)
        self.assertNotIn(b"<!DOCTYPE", body)
        records = list(ET.fromstring(body))
        self.assertEqual(len(records), 15)
        for rec in records:
            self.assertGreaterEqual(len(rec), 9)
            self.assertRegex(rec[8].text, r"^\d+$")
        self.assertEqual([r[0].text for r in records], [str(n) for n in range(101, 116)])
        return [int(r[8].text) for r in records]

    def test_online_counts_drift(self):
        self.assertNotEqual(self.counts(), self.counts())

    def test_programme_lists(self):
        for channel in ("101", "114"):
            status, body = self.get("/list?channel=" + channel)
            self.assertEqual(status, 200)
            self.assertIn(channel.encode(), body)
            self.assertIn(b'charset="utf-8"', body)
        self.assertEqual(self.get("/list?channel=999")[0], 404)
        self.assertEqual(self.get("/list?channel=")[0], 404)

    def test_portal_pages(self):
        for name in ("right", "middle", "help"):
            self.assertEqual(self.get(f"/{name}.html")[0], 200, name)
        self.assertEqual(self.get("/../channel_server.py")[0], 404)

    def test_version_file(self):
        self.assertEqual(self.get("/update/p.ini"), (200, b"[Version]\r\nVersion=3\r\n"))

    def test_requests_are_recorded_and_cleared(self):
        self.get("/requests?clear=1")
        self.get("/list?channel=105")
        self.get("/right.html")
        self.assertEqual(self.get("/requests")[1], b"/list?channel=105\n/right.html\n")
        self.assertEqual(self.get("/requests", "DELETE")[0], 200)
        self.assertEqual(self.get("/requests")[1], b"")

    def test_sigterm_exits_cleanly(self):
        proc, _ = start()
        proc.send_signal(signal.SIGTERM)
        self.assertEqual(proc.wait(10), 0)
        proc.stdout.close()


if __name__ == "__main__":
    unittest.main()
