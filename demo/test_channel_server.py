"""Runs demo/channel_server.py as the demo does, on a free port, and checks what the client reads from it."""
import os
import re
import signal
import subprocess
import sys
import unittest
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET


def start(*args):
    server = os.path.join(os.path.dirname(os.path.abspath(__file__)), "channel_server.py")
    proc = subprocess.Popen([sys.executable, server, "--port", "0", *args], stdout=subprocess.PIPE, text=True)
    match = re.fullmatch(r"listening on (http://127\.0\.0\.1:\d+)\n", line := proc.stdout.readline())
    if not match:
        proc.kill()
        raise AssertionError(f"unexpected first line: {line!r}")
    return proc, match.group(1)


def stop(proc):
    proc.send_signal(signal.SIGTERM)  # as a service manager ends it
    proc.stdout.close()
    return proc.wait(10)


class ChannelServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.proc, cls.base = start("--seed", "7", "--version", "3")
        cls.addClassCleanup(stop, cls.proc)

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
        self.assertEqual([r[0].text for r in records], [str(n) for n in range(101, 116)])
        counts = [r[8].text for r in records]  # the client reads the ninth child
        self.assertEqual([c for c in counts if not re.fullmatch(r"\d+", c or "")], [])
        return [int(c) for c in counts]

    def test_online_counts_drift(self):
        self.assertNotEqual(self.counts(), self.counts())

    def test_pages_version_file_and_request_log(self):
        for channel in ("101", "114"):
            status, body = self.get("/list?channel=" + channel)
            self.assertEqual(status, 200)
            self.assertIn(channel.encode(), body)
            self.assertIn(b'charset="utf-8"', body)
        for name in ("right", "middle", "help"):
            self.assertEqual(self.get(f"/{name}.html")[0], 200, name)
        self.assertEqual(self.get("/update/p.ini"), (200, b"[Version]\r\nVersion=3\r\n"))
        # Unknown channels, and nothing outside www/.
        for path in ("/list?channel=999", "/list?channel=", "/../channel_server.py"):
            self.assertEqual(self.get(path)[0], 404, path)
        for path in ("/requests?clear=1", "/list?channel=105", "/right.html"):
            self.get(path)
        self.assertEqual(self.get("/requests")[1], b"/list?channel=105\n/right.html\n")
        self.assertEqual(self.get("/requests", "DELETE")[0], 200)
        self.assertEqual(self.get("/requests")[1], b"")

    def test_sigterm_exits_cleanly(self):
        self.assertEqual(stop(start()[0]), 0)
