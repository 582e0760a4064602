"""Runs the demo channel server and checks its swarm: the seed through a small peer written here from
the protocol's description, the tracker, the counts at /swarm and the channel keys."""
import hashlib
import os
import re
import socket
import stat
import struct
import subprocess
import sys
import tempfile
import time
import unittest
from unittest import mock
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET

from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.hazmat.primitives.asymmetric.utils import encode_dss_signature

import channel_server
import swarm
from test_channel_server import start, stop

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "channel_server.py")
CHANNEL = 101
HANDSHAKE, KEY, BATCH, HAVE, REQUEST, CANCEL, DATA, CHOKE = range(8)


def key_fingerprint(folder, num):
    with open(os.path.join(folder, f"{num}.key"), "rb") as f:
        key = serialization.load_pem_private_key(f.read(), None)
    der = key.public_key().public_bytes(serialization.Encoding.DER, serialization.PublicFormat.SubjectPublicKeyInfo)
    return hashlib.sha256(der).digest()


def wait_until(check):
    end = time.monotonic() + 30
    while not check():
        if time.monotonic() > end:
            raise AssertionError("not within 30 s")
        time.sleep(0.05)


class Peer:
    """A viewer's end of a connection to the seed."""

    def __init__(self, port, fingerprint, channel=str(CHANNEL), version=1):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)
        text = channel.encode()
        self.send(HANDSHAKE, struct.pack(">B32sHB", version, fingerprint, 0, len(text)) + text)
        self.batches, self.chunks = {}, {}  # digests and times by chunk; chunk bytes
        self.held = None  # (first, one past the last) of the chunks the seed says it has
        self.latest = None  # the first chunk of the latest HAVE

    def send(self, kind, body=b""):
        self.sock.sendall(struct.pack(">IB", 1 + len(body), kind) + body)

    def read(self):
        """The next (type, body), or None once the seed has closed the connection."""
        try:
            data = self.receive(struct.unpack(">I", self.receive(4))[0])
        except (EOFError, ConnectionResetError):
            return None
        kind, body = data[0], data[1:]
        if kind == BATCH:
            first, count = struct.unpack(">IH", body[:6])
            times = struct.unpack(f">{count}I", body[6 + 32 * count:6 + 36 * count])
            for i in range(count):
                self.batches[first + i] = (body[6 + 32 * i:38 + 32 * i], times[i])
        elif kind == HAVE:
            first, count = struct.unpack(">IH", body)
            self.latest = first
            self.held = (min(first, self.held[0]), first + count) if self.held else (first, first + count)
        elif kind == DATA:
            self.chunks[struct.unpack(">I", body[:4])[0]] = body[4:]
        return kind, body

    def receive(self, size):
        data = b""
        while len(data) < size:
            part = self.sock.recv(size - len(data))
            if not part:
                raise EOFError
            data += part
        return data

    def until(self, check):
        end = time.monotonic() + 60
        while not check():
            if time.monotonic() > end or self.read() is None:
                raise AssertionError("the seed closed the connection or never got there")

    def greeting(self):
        """The seed's HANDSHAKE and KEY bodies."""
        return self.read()[1], self.read()[1]

    def ended(self):
        """Whether the seed closes the connection within 30 s, whatever it sends before."""
        end = time.monotonic() + 30
        while time.monotonic() < end:
            if self.read() is None:
                return True
        return False

    def close(self):
        self.sock.close()


class SwarmTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        folder = tempfile.TemporaryDirectory()
        cls.addClassCleanup(folder.cleanup)
        cls.cache, cls.keys = os.path.join(folder.name, "cache"), os.path.join(folder.name, "keys")
        cls.proc, cls.base = start("--cache", cls.cache, "--keys", cls.keys)
        cls.addClassCleanup(stop, cls.proc)
        cls.fingerprint = key_fingerprint(cls.keys, CHANNEL)
        cls.seed = int(cls.announce(CHANNEL, 9)["seed"][0])
        cls.get(f"/live/{CHANNEL}/leave?port=9")

    @classmethod
    def get(cls, path):
        try:
            with urllib.request.urlopen(cls.base + path, timeout=60) as resp:
                return resp.status, resp.read().decode()
        except urllib.error.HTTPError as e:
            return e.code, e.read().decode()

    @classmethod
    def announce(cls, num, port, received=0):
        status, body = cls.get(f"/live/{num}/announce?port={port}&received={received}&sent=0")
        assert status == 200, (status, body)
        lines = {}
        for line in body.splitlines():
            name, value = line.split(" ")
            lines.setdefault(name, []).append(value)
        return lines

    def peer(self, fingerprint=None, **kw):
        peer = Peer(self.seed, fingerprint or self.fingerprint, **kw)
        self.addCleanup(peer.close)
        return peer


    def dropped(self, reason):
        wait_until(lambda: any(re.fullmatch(rf"peer 127\.0\.0\.1:\d+ dropped: {reason}\n", line)
                               for line in self.proc.log))

    def test_seed_serves_signed_chunks_of_the_live_stream(self):
        peer = self.peer()
        shake, key = peer.greeting()
        self.assertEqual(shake, struct.pack(">B32sHB", 1, self.fingerprint, self.seed, 3) + b"101")
        self.assertEqual(hashlib.sha256(key).digest(), self.fingerprint)
        public = serialization.load_der_public_key(key)
        # Enough chunks signed that a request spans several batches.
        peer.until(lambda: peer.held and peer.held[1] - peer.held[0] >= 12)
        first, count = peer.held[0], 12
        self.assertTrue(set(range(first, first + count)) <= set(peer.batches))
        peer.send(REQUEST, struct.pack(">IH", first, count))
        peer.until(lambda: set(range(first, first + count)) <= set(peer.chunks))

        loop = channel_server.Channels(self.cache).loop(CHANNEL)
        repeat = loop.packets * channel_server.PACKET
        last = (first + count) * swarm.CHUNK // repeat
        stream = b"".join(loop.repeat(k)[:repeat] for k in range(last + 1))
        for n in range(first, first + count):
            self.assertEqual(peer.chunks[n], stream[n * 12032:(n + 1) * 12032], f"chunk {n}")
            self.assertEqual(hashlib.sha256(peer.chunks[n]).digest(), peer.batches[n][0], f"chunk {n}")
            # Its time: when its last byte is due, in the pieces the stream is sent in.
            k, packet = divmod(((n + 1) * 12032 - 1) // 188, loop.packets)
            at = next(at for begin, end, at in loop.pieces if begin <= packet < end)
            self.assertEqual(peer.batches[n][1], int((k * channel_server.LOOP_SECONDS + at) * 1000), f"chunk {n}")

        # Each batch as it comes: signed, following the one before, within one 250 ms slot.
        batches = []
        while len(batches) < 4:
            kind, body = peer.read() or self.fail("the seed closed the connection")
            if kind == BATCH:
                batches.append(body)
        for body, after in zip(batches, batches[1:]):
            first, count = struct.unpack(">IH", body[:6])
            self.assertEqual(struct.unpack(">I", after[:4])[0], first + count)
        for body in batches:
            count = struct.unpack(">H", body[4:6])[0]
            times = struct.unpack(f">{count}I", body[6 + 32 * count:-64])
            self.assertEqual(len({t // 250 for t in times}), 1, times)
            r, s = int.from_bytes(body[-64:-32], "big"), int.from_bytes(body[-32:], "big")
            public.verify(encode_dss_signature(r, s), b"KALDA-BATCH1" + body[:-64], ec.ECDSA(hashes.SHA256()))

    def test_new_chunks_are_pushed_to_one_viewer_in_turn(self):
        peers = [self.peer(), self.peer()]
        for peer in peers:
            peer.greeting()
            peer.until(lambda: peer.held)
        edge = max(peer.held[1] for peer in peers)
        for peer in peers:  # each has had the pushes for the chunks before its latest HAVE
            peer.until(lambda: peer.latest > edge + 10)
        new = set(range(edge, min(peer.latest for peer in peers)))
        pushed = [set(peer.chunks) & new for peer in peers]
        self.assertEqual(pushed[0] | pushed[1], new)
        self.assertEqual(pushed[0] & pushed[1], set())
        self.assertLess(abs(len(pushed[0]) - len(pushed[1])), 2)
        for n in new:
            chunk = (peers[0].chunks if n in pushed[0] else peers[1].chunks)[n]
            self.assertEqual(hashlib.sha256(chunk).digest(), peers[0].batches[n][0])

    def test_bad_handshakes_are_refused(self):
        other = key_fingerprint(self.keys, 102)
        for fingerprint, kw, reason in [(other, {}, "fingerprint differs"), (None, {"channel": "102"},
                                         "fingerprint differs"), (None, {"channel": "999"}, "no channel 999"),
                                        (None, {"version": 2}, "version 2")]:
            with self.subTest(reason, **kw):
                self.assertEqual(self.peer(fingerprint, **kw).read(), None)  # not even the seed's handshake
                self.dropped(re.escape(reason))
        peer = self.peer()
        peer.greeting()

    def test_broken_messages_end_only_their_connection(self):
        bystander = self.peer()
        _, key = bystander.greeting()
        bystander.until(lambda: bystander.held and bystander.held[1] - bystander.held[0] >= 8)
        first = bystander.held[0]
        batch = next(body for kind, body in iter(bystander.read, None) if kind == BATCH)
        forged = bytearray(batch)
        forged[6] ^= 1  # a digest the signature does not cover
        header = lambda size: struct.pack(">I", size)
        cases = [
            ("frame length 0", header(0)),
            ("frame length 16385", header(16385)),  # the body never comes: the length alone ends it
            ("unexpected message type 9", struct.pack(">IB", 1, 9)),
            ("range count 0", struct.pack(">IBIH", 7, REQUEST, first, 0)),
            ("range count 65", struct.pack(">IBIH", 7, REQUEST, first, 65)),
            ("range length", struct.pack(">IBI", 5, HAVE, first)),
            ("choke with a body", struct.pack(">IBB", 2, CHOKE, 0)),
            ("unexpected message type 6", struct.pack(">IBI", 5 + 12032, DATA, first) + bytes(12032)),
            ("key does not match the fingerprint", struct.pack(">IB", 2, KEY) + b"\x30"),
            ("batch signature", struct.pack(">IB", 1 + len(forged), BATCH) + forged),
            ("request flood", struct.pack(">IBIH", 7, REQUEST, first, 8) * 100),  # 9.6 MB asked, none read
        ]
        for reason, data in cases:
            with self.subTest(reason):
                peer = self.peer()
                peer.greeting()
                peer.until(lambda: peer.held)
                peer.sock.sendall(data)
                self.assertTrue(peer.ended())
                self.dropped(re.escape(reason))
        # A well formed stream of the same kinds is served, and so is the one who watched.
        peer = self.peer()
        peer.greeting()
        for kind, body in [(HAVE, struct.pack(">IH", first, 3)), (CHOKE, b""), (KEY, key), (BATCH, batch),
                           (REQUEST, struct.pack(">IH", first, 4)), (CANCEL, struct.pack(">IH", first + 1, 2))]:
            peer.send(kind, body)
        peer.until(lambda: first in peer.chunks)
        edge = bystander.held[1]
        bystander.until(lambda: bystander.held[1] > edge)
        peer.until(lambda: peer.held[1] > edge)

    def test_tracker_and_swarm_counts(self):
        wait_until(lambda: int(self.announce(CHANNEL, 1)["edge"][0]) > 20)
        first = self.announce(CHANNEL, 1, received=500)
        start, edge = int(first["start"][0]), int(first["edge"][0])
        # The join point is a second and a group of pictures behind the live point: 800 kbit/s,
        # eight or nine chunks a second.
        self.assertLess(edge - 40, start)
        self.assertLess(start, edge)
        self.announce(CHANNEL, 0, received=100)  # takes no connections: never handed out
        self.announce(CHANNEL, 2, received=20)
        self.assertEqual(sorted(self.announce(CHANNEL, 3, received=3)["peer"]), ["127.0.0.1:1", "127.0.0.1:2"])
        self.assertEqual(self.get(f"/live/{CHANNEL}/leave?port=2"), (200, ""))
        self.assertEqual(self.announce(CHANNEL, 1, received=600)["peer"], ["127.0.0.1:3"])
        counts = re.fullmatch(rf"{CHANNEL} viewers=3 server_bytes=(\d+) peer_bytes=723 rate=\d+\n", self.get("/swarm")[1])
        self.assertTrue(counts)
        # The seed's DATA is counted as it goes.
        peer = self.peer()
        peer.greeting()
        peer.until(lambda: peer.held)
        peer.send(REQUEST, struct.pack(">IH", peer.held[0], 1))
        peer.until(lambda: peer.held[0] in peer.chunks)
        wait_until(lambda: int(re.search(r"server_bytes=(\d+)", self.get("/swarm")[1])[1])
                   >= int(counts[1]) + 12032)
        for path, status in [("/live/999/announce?port=1&received=0&sent=0", 404), ("/live/999/leave?port=1", 404),
                             (f"/live/{CHANNEL}/announce?port=65536&received=0&sent=0", 400),
                             (f"/live/{CHANNEL}/announce?port=1&received=-1&sent=0", 400),
                             (f"/live/{CHANNEL}/announce?port=1", 400), (f"/live/{CHANNEL}/leave", 400)]:
            self.assertEqual(self.get(path)[0], status, path)
        self.assertNotIn("115 ", self.get("/swarm")[1])  # no viewer, no swarm

    def test_play_addresses_carry_the_fingerprints(self):
        status, body = self.get("/SimpleRootBin/Xml/ListSimpleByChannel.xml")
        for record in ET.fromstring(body):
            num = int(record[0].text)
            self.assertEqual(record.find("PlayUrl").text,
                             f"p2p://127.0.0.1:8088/live/{num}?key={key_fingerprint(self.keys, num).hex()}")


class WindowTest(unittest.TestCase):
    def test_the_window_keeps_the_last_chunks_and_their_batches(self):
        with tempfile.TemporaryDirectory() as cache:
            loop = channel_server.Channels(cache).loop(103)
        loop.epoch -= 600  # ten minutes of stream due before the first viewer came
        self.enterContext(mock.patch.object(swarm, "WINDOW", 16))
        channel = swarm.ChannelSwarm(103, loop, ec.generate_private_key(ec.SECP256R1()))
        self.addCleanup(channel.stop)
        due = loop.due_offset(time.monotonic() - loop.epoch) // 12032
        self.assertLess(due - 4, channel.edge)  # all of it at once, but for the batch being filled
        caught_up = channel.edge
        wait_until(lambda: channel.edge > caught_up + 20)
        with channel.lock:
            held, edge = sorted(channel.chunks), channel.edge
            batches = [(first, count) for first, count, _ in channel.batches]
        self.assertEqual(held, list(range(edge - 16, edge)))
        self.assertTrue(batches[0][0] <= edge - 16 < sum(batches[0]), batches)
        self.assertEqual([first for first, _ in batches[1:]], [sum(b) for b in batches[:-1]])
        self.assertEqual(sum(batches[-1]), edge)


class TrackerTest(unittest.TestCase):
    def setUp(self):
        self.now = 0.0
        self.tracker = swarm.Tracker(forget=15.0, clock=lambda: self.now)

    def test_lists_other_viewers_at_most_eight_at_random(self):
        for port in range(1, 13):
            listed = self.tracker.announce(101, "10.0.0.1", port, received=port)
            self.assertEqual(len(listed), min(8, port - 1))
            self.assertNotIn(("10.0.0.1", port), listed)
            self.assertEqual(len(set(listed)), len(listed))
        self.assertEqual(self.tracker.announce(102, "10.0.0.1", 1, received=0), [])  # channels apart
        seen = set()
        for _ in range(20):
            seen.update(self.tracker.announce(101, "10.0.0.1", 1, received=1))
        self.assertEqual(seen, {("10.0.0.1", port) for port in range(2, 13)})
        self.assertEqual(self.tracker.counts(101), (12, sum(range(1, 13))))

    def test_viewers_are_forgotten_on_leave_or_when_quiet(self):
        self.tracker.announce(101, "10.0.0.1", 1, received=100)
        self.tracker.announce(101, "10.0.0.2", 1, received=10)
        self.tracker.announce(101, "10.0.0.3", 1, received=1)
        self.tracker.leave(101, "10.0.0.2", 1)
        self.now = 14.9
        self.assertEqual(self.tracker.announce(101, "10.0.0.3", 1, received=2), [("10.0.0.1", 1)])
        self.now = 15.0  # the first has been silent 15 s, the third announced meanwhile
        self.assertEqual(self.tracker.announce(101, "10.0.0.4", 1, received=0), [("10.0.0.3", 1)])
        self.assertEqual(self.tracker.counts(101), (2, 112))  # the forgotten ones' bytes still count
        self.tracker.leave(101, "10.0.0.9", 1)  # unknown: nothing happens
        self.assertEqual(self.tracker.counts(101), (2, 112))


class KeysTest(unittest.TestCase):
    def fingerprints(self, folder):
        result = subprocess.run([sys.executable, SERVER, "--keys", folder, "--print-fingerprints"],
                                capture_output=True, text=True, timeout=60)
        return result.returncode, result.stdout, result.stderr

    def test_keys_are_made_once_kept_private_and_checked(self):
        with tempfile.TemporaryDirectory() as folder:
            keys = os.path.join(folder, "keys")
            status, out, _ = self.fingerprints(keys)
            self.assertEqual(status, 0)
            expected = "".join(f"{num} {key_fingerprint(keys, num).hex()}\n" for num in channel_server.BY_NUMBER)
            self.assertEqual(out, expected)
            self.assertEqual(stat.S_IMODE(os.stat(os.path.join(keys, "101.key")).st_mode), 0o600)
            self.assertEqual(self.fingerprints(keys)[:2], (0, expected))  # kept, not made again
            os.remove(os.path.join(keys, "103.key"))
            status, out, _ = self.fingerprints(keys)
            self.assertEqual([line for line in out.splitlines() if not line.startswith("103 ")],
                             [line for line in expected.splitlines() if not line.startswith("103 ")])
            self.assertNotIn(out.splitlines()[2], expected)
            with open(os.path.join(keys, "104.key"), "w") as f:
                f.write("not a key\n")
            status, out, err = self.fingerprints(keys)
            self.assertEqual((status, out), (2, ""))
            self.assertIn("104.key: not a readable PEM private key", err)
            with open(os.path.join(keys, "104.key")) as f:
                self.assertEqual(f.read(), "not a key\n")  # left for its owner to look at
