#!/usr/bin/python3
"""The headless viewer, under Wine, in a channel's swarm on the demo server: among hostile partners
it hands on byte for byte what the server signed and drops each of them for good; beside another
viewer it takes chunks from it; leaving, it is forgotten at once.
Usage: swarm_tests.py VIEWER_EXE WINE_PREFIX WINE_ARCH TEST_HOME [unittest arguments...]"""
import hashlib
import os
import re
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import unittest.mock
import urllib.request

from cryptography.hazmat.primitives.asymmetric import ec

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "demo"))
import channel_server  # noqa: E402
import swarm  # noqa: E402

VIEWER, PREFIX, ARCH, HOME = sys.argv[1:5] if len(sys.argv) >= 5 else (None,) * 4
CHANNEL = 101


def within(seconds, condition):
    """Whether the condition holds within the time, looked at every 50 ms."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


class HostilePartner:
    """A partner the tracker hands out like any viewer, that claims to hold every chunk and then
    breaks the protocol in one way. It counts the viewer's connections and sees them closed."""

    def __init__(self, server, behaviour):
        self.server, self.behaviour = server, behaviour
        self.channel = server.swarms.get(CHANNEL)
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.connections, self.closed = 0, 0
        self.lock = threading.Lock()
        self.stop = threading.Event()
        self.tracker = f"http://127.0.0.1:{server.server_address[1]}/live/{CHANNEL}"
        threading.Thread(target=self.accept, daemon=True).start()
        self.announcer = threading.Thread(target=self.announce, daemon=True)
        self.announcer.start()

    def announce(self):
        while not self.stop.is_set():
            urllib.request.urlopen(f"{self.tracker}/announce?port={self.port}&received=0&sent=0").read()
            self.stop.wait(1.0)

    def accept(self):
        while True:
            try:
                sock, _ = self.listener.accept()
            except OSError:
                return
            with self.lock:
                self.connections += 1
            threading.Thread(target=self.serve, args=(sock,), daemon=True).start()

    def serve(self, sock):
        try:
            sock.sendall(swarm.handshake(self.channel.fingerprint, self.port, CHANNEL) +
                         swarm.frame(swarm.KEY, self.channel.public_der))
            swarm.read_frame(sock)  # the viewer's handshake
            low = max(0, self.channel.edge - 200)
            sock.sendall(swarm.frame(swarm.HAVE, struct.pack(">IH", low, 1024)))
            getattr(self, self.behaviour)(sock)
            while swarm.read_frame(sock):
                pass
        except (EOFError, OSError, swarm.ProtocolError):
            pass
        finally:
            with self.lock:
                self.closed += 1
            sock.close()

    def answer(self, sock, spoil):
        """Answers each request with DATA whose chunk bytes spoil turns into something else."""
        while True:
            kind, body = swarm.read_frame(sock)
            if kind == swarm.REQUEST:
                first, count = struct.unpack(">IH", body)
                for n in range(first, first + count):
                    sock.sendall(swarm.frame(swarm.DATA, struct.pack(">I", n) + spoil(self.channel.chunk(n) or b"")))

    def flipped_bits(self, sock):
        self.answer(sock, lambda data: bytes([data[0] ^ 0x10]) + data[1:] if data else bytes(swarm.CHUNK))

    def truncated_data(self, sock):
        self.answer(sock, lambda data: data[:100])

    def forged_batch(self, sock):
        # The chunks about to come, with digests of other bytes, signed by a key of its own.
        first = self.channel.edge
        digests = [hashlib.sha256(bytes([n % 256]) * swarm.CHUNK).digest() for n in range(first, first + 8)]
        sock.sendall(swarm.sign_batch(ec.generate_private_key(ec.SECP256R1()), first, digests, [0] * 8))

    def oversized_frame(self, sock):
        sock.sendall(struct.pack(">IB", 1 << 20, swarm.DATA) + bytes(4096))

    def request_flood(self, sock):
        first = max(0, self.channel.edge - 100)
        sock.sendall(b"".join(swarm.frame(swarm.REQUEST, struct.pack(">IH", first + 64 * i, 64)) for i in range(3)))

    def close(self):
        self.stop.set()
        self.announcer.join()
        urllib.request.urlopen(f"{self.tracker}/leave?port={self.port}").read()
        self.listener.close()


def start_server(keys):
    """A demo server whose channel has been live a while: a viewer joins it a second behind the live
    point, as it does on a server that has been up for long."""
    server = channel_server.make_server(keys, port=0)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    channel = server.swarms.get(CHANNEL)
    assert within(30, lambda: channel.edge >= 24), "the channel's swarm signs no chunks"
    return server


def stop_server(server):
    server.shutdown()
    server.server_close()  # its seed and chunkers too


@unittest.skipUnless(VIEWER, "needs the viewer and its Wine prefix as arguments")
class SwarmTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.keys_dir = tempfile.TemporaryDirectory()
        cls.keys = swarm.load_keys(cls.keys_dir.name, channel_server.BY_NUMBER)
        cls.server = start_server(cls.keys)
        cls.work = tempfile.TemporaryDirectory(dir=os.getcwd())

    @classmethod
    def tearDownClass(cls):
        stop_server(cls.server)
        cls.work.cleanup()
        cls.keys_dir.cleanup()

    def viewer(self, seconds, out=None, server=None):
        """The headless viewer of the server's channel for so many seconds, started; its figures come
        from figures()."""
        server = server or self.server
        address = f"p2p://127.0.0.1:{server.server_address[1]}/live/{CHANNEL}?key={server.fingerprints[CHANNEL]}"
        command = [os.path.join(ROOT, "tools", "wine-run"), "--prefix", PREFIX, "--arch", ARCH, "--quiet-home",
                   HOME, VIEWER, address, "--seconds", str(seconds), "--loopback"] + (["--out", out] if out else [])
        return subprocess.Popen(command, cwd=self.work.name, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                text=True, env=dict(os.environ, WINEDEBUG="-all"))

    def figures(self, viewer):
        output = viewer.communicate(timeout=120)[0]
        found = re.search(r"from_seed=(\d+) from_partners=(\d+) sent=(\d+) on_time=(\d+) late=(\d+) "
                          r"dropped=(\d+) join_ms=(-?\d+) outcome=(\w+)", output)
        self.assertIsNotNone(found, output)
        names = ("from_seed", "from_partners", "sent", "on_time", "late", "dropped", "join_ms")
        return dict(zip(names, map(int, found.groups()[:7])), outcome=found[8])

    def viewers(self, server=None):
        counts = (server or self.server).swarm_counts()
        line = next((line for line in counts.splitlines() if line.startswith(f"{CHANNEL} ")), "")
        found = re.search(r"viewers=(\d+)", line)
        return int(found[1]) if found else 0

    def test_hostile_partners_are_dropped_and_the_stream_is_what_the_server_signed(self):
        partners = [HostilePartner(self.server, behaviour) for behaviour in
                    ("flipped_bits", "truncated_data", "forged_batch", "oversized_frame", "request_flood")]
        try:
            out = "hostile.ts"
            # The seed pushes nothing: the viewer asks for every chunk, of the partners first, which
            # claim to hold them all.
            with unittest.mock.patch.object(swarm.Peer, "push", lambda *_: None):
                figures = self.figures(self.viewer(12, out))
        finally:
            for partner in partners:
                partner.close()
        self.assertEqual(figures["outcome"], "stopped")
        for partner in partners:
            # Met once, dropped, and not taken back although the tracker kept naming it.
            self.assertEqual((partner.behaviour, partner.connections, partner.closed), (partner.behaviour, 1, 1))
        self.assertEqual(figures["dropped"], len(partners))
        with open(os.path.join(self.work.name, out), "rb") as f:
            received = f.read()
        self.assertGreater(len(received), 40 * swarm.CHUNK)  # eleven seconds of an 800 kbit/s channel and more
        self.assertEqual(len(received) % swarm.CHUNK, 0)
        # Which chunk it started at, then each one the server signed, in order.
        channel = self.server.swarms.get(CHANNEL)
        first = next(n for n in range(channel.edge - 1, -1, -1) if channel.chunk(n) == received[:swarm.CHUNK])
        expected = b"".join(channel.chunk(first + i) for i in range(len(received) // swarm.CHUNK))
        self.assertTrue(received == expected, "the stream differs from the server's chunks")
        chunks = figures["on_time"] + figures["late"]
        self.assertGreaterEqual(figures["on_time"] / chunks, 0.95, figures)

    def test_viewers_share_and_a_leaving_viewer_is_forgotten_at_once(self):
        first = self.viewer(14)
        self.assertTrue(within(30, lambda: self.viewers() == 1), "the first viewer never announced itself")
        second = self.viewer(8)
        second_figures, first_figures = self.figures(second), self.figures(first)
        for figures in (first_figures, second_figures):
            self.assertEqual((figures["outcome"], figures["dropped"]), ("stopped", 0))
        # Each has the other as its partner: the seed pushes each new chunk to one of them only.
        self.assertGreater(second_figures["from_partners"], 0, second_figures)
        self.assertGreater(first_figures["from_partners"], 0, first_figures)
        # What one counts as passed on, the other may have had from the seed meanwhile.
        self.assertLessEqual(first_figures["from_partners"] + second_figures["from_partners"],
                             first_figures["sent"] + second_figures["sent"])
        self.assertEqual(self.viewers(), 0)

    def test_a_viewer_whose_server_goes_ends_as_its_stream_would(self):
        server = start_server(self.keys)
        viewer = self.viewer(60, server=server)
        try:
            self.assertTrue(within(30, lambda: self.viewers(server) == 1), "the viewer never announced itself")
        finally:
            stop_server(server)
        figures = self.figures(viewer)
        self.assertEqual(figures["outcome"], "ended", figures)
        self.assertGreater(figures["from_seed"], 0, figures)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[5:])
