"""Runs demo/channel_server.py as the demo does, on a free port, and checks what the client reads from it."""
import glob
import http.client
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET

import channel_server


def start(*args):
    server = os.path.join(os.path.dirname(os.path.abspath(__file__)), "channel_server.py")
    proc = subprocess.Popen([sys.executable, server, "--port", "0", *args], stdout=subprocess.PIPE, text=True)
    match = re.fullmatch(r"listening on (http://127\.0\.0\.1:\d+)\n", line := proc.stdout.readline())
    if not match:
        proc.kill()
        raise AssertionError(f"unexpected first line: {line!r}")
    proc.log = []  # the rest of its output, read as it comes so the pipe never fills

    def read():
        for line in proc.stdout:
            proc.log.append(line)
    proc.reader = threading.Thread(target=read)
    proc.reader.start()
    return proc, match.group(1)


def stop(proc):
    proc.send_signal(signal.SIGTERM)  # as a service manager ends it
    status = proc.wait(10)
    proc.reader.join(10)
    proc.stdout.close()
    return status


def read_for(resp, seconds):
    data, end = b"", time.monotonic() + seconds
    while time.monotonic() < end:
        data += resp.read1(65536)
    return data


def probe(data):
    return json.loads(subprocess.run(
        ["ffprobe", "-v", "error", "-of", "json", "-show_entries",
         "stream=codec_name,width,height:packet=stream_index,pts,flags", "-"],
        input=data, capture_output=True, check=True).stdout)


class ChannelServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cache = tempfile.TemporaryDirectory()
        cls.addClassCleanup(cache.cleanup)
        cls.cache = cache.name
        cls.proc, cls.base = start("--seed", "7", "--version", "3", "--cache", cls.cache)
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
        for path in ("/list?channel=999", "/list?channel=", "/../channel_server.py", "/live/999", "/live/"):
            self.assertEqual(self.get(path)[0], 404, path)
        for path in ("/requests?clear=1", "/list?channel=105", "/right.html"):
            self.get(path)
        self.assertEqual(self.get("/requests")[1], b"/list?channel=105\n/right.html\n")
        self.assertEqual(self.get("/requests", "DELETE")[0], 200)
        self.assertEqual(self.get("/requests")[1], b"")

    def watch(self, path):
        conn = http.client.HTTPConnection(*self.base[len("http://"):].split(":"), timeout=30)
        conn.request("GET", path)
        resp = conn.getresponse()
        self.addCleanup(resp.close)
        return resp

    def until(self, check):
        end = time.monotonic() + 10
        while not check():
            self.assertLess(time.monotonic(), end, "not within 10 s")
            time.sleep(0.05)

    def test_stream_is_live_transport_stream_until_the_viewer_leaves(self):
        resp = self.watch("/live/101")
        self.assertEqual((resp.status, resp.version, resp.getheader("Content-Type")), (200, 10, "video/mp2t"))
        self.assertIsNone(resp.getheader("Content-Length"))
        self.assertIn("no-cache", resp.getheader("Cache-Control"))
        data = read_for(resp, 1)  # the join and the start of real time
        second = read_for(resp, 2)
        data += second
        self.assertGreater(len(data), 20 * 188)
        self.assertEqual(set(data[:len(data) // 188 * 188:188]), {0x47})
        loop, = glob.glob(os.path.join(self.cache, "live-101-*.ts"))
        rate = os.path.getsize(loop) / channel_server.LOOP_SECONDS
        self.assertLess(abs(len(second) / (2 * rate) - 1), 0.5)  # two seconds' worth, not the loop
        self.until(lambda: self.get("/streams")[1] == b"/live/101\n")
        resp.close()
        self.until(lambda: self.get("/streams")[1] == b"")
        self.until(lambda: any(line.startswith("stream closed: /live/101") for line in self.proc.log))

    def test_viewers_join_at_the_live_point(self):
        first = self.watch("/live/102")
        early = probe(read_for(first, 1.5 + channel_server.JOIN_LEAD))
        second = self.watch("/live/102")
        self.until(lambda: self.get("/streams")[1] == b"/live/102\n/live/102\n")
        late = read_for(second, 3)
        self.assertTrue(read_for(first, 0.5))
        self.assertEqual((late[1] & 0x1F, late[2]), (0, 0))  # tables first
        late = probe(late)
        self.assertEqual([(s["codec_name"], s.get("width"), s.get("height")) for s in late["streams"]],
                         [("h264", 640, 360), ("mp2", None, None)])
        video = [p for p in late["packets"] if p["stream_index"] == 0]
        self.assertEqual(video[0]["flags"][0], "K")
        self.assertGreater(video[0]["pts"], early["packets"][0]["pts"] + 90000 // 2)

    def test_loop_repeats_without_seams(self):
        loop = channel_server.Channels(self.cache).loop(103)
        data = loop.repeat(0) + loop.repeat(1)
        # Continuity counters and the clock reference carry on over the seam.
        expected, clock = {}, -1
        for at in range(0, len(data), 188):
            pid, counter = (data[at + 1] & 0x1F) << 8 | data[at + 2], data[at + 3] & 0x0F
            if data[at + 3] & 0x10:
                self.assertEqual(counter, expected.get(pid, counter), f"packet {at // 188}")
                expected[pid] = (counter + 1) & 0x0F
            if data[at + 3] & 0x20 and data[at + 4] and data[at + 5] & 0x10:
                self.assertGreater(pcr := int.from_bytes(data[at + 6:at + 12], "big"), clock)
                clock = pcr
        # So do the timestamps: one frame apart, video and MP2 (1152 samples at 48 kHz) alike.
        packets = probe(data)["packets"]
        for index, step in ((0, 90000 // channel_server.FPS), (1, 1152 * 90000 // 48000)):
            stamps = [p["pts"] for p in packets if p["stream_index"] == index]
            self.assertEqual({b - a for a, b in zip(stamps, stamps[1:])}, {step})

    def test_sigterm_exits_cleanly(self):
        self.assertEqual(stop(start()[0]), 0)
