"""The channels' swarms (delivery/README.md): the channel keys, each channel's live stream cut into
chunks and signed in batches, the seed that serves them over the peer protocol, and the tracker that
introduces the viewers to each other."""
import collections
import hashlib
import os
import random
import socket
import struct
import threading
import time

from cryptography.exceptions import InvalidSignature
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.hazmat.primitives.asymmetric.utils import decode_dss_signature, encode_dss_signature

CHUNK = 12032  # 64 transport packets
WINDOW = 1024  # chunks the server keeps, with their batches
KEEP_BEHIND = 64  # chunks a viewer keeps behind the one it plays
BATCH_MS = 250  # a batch covers the chunks completed in one such slot of stream time
MAX_BATCH, MAX_RANGE, MAX_OUTSTANDING = 64, 1024, 64
MAX_FRAME = 16384
SIGNED_PREFIX = b"KALDA-BATCH1"
VERSION = 1
HANDSHAKE, KEY, BATCH, HAVE, REQUEST, CANCEL, DATA, CHOKE, UNCHOKE = range(9)
HANDSHAKE_SECONDS = 10  # a connection that says nothing this long is dropped
QUEUE_LIMIT = 4 << 20  # bytes queued for a viewer that does not read them


# Keys

def public_der(key):
    return key.public_key().public_bytes(serialization.Encoding.DER,
                                         serialization.PublicFormat.SubjectPublicKeyInfo)


def fingerprint(key):
    """The lowercase hex SHA-256 of the key's DER SubjectPublicKeyInfo."""
    return hashlib.sha256(public_der(key)).hexdigest()


def load_key(path):
    """The private key in a PEM (PKCS #8) file, made and saved there (0600) when there is none."""
    try:
        with open(path, "rb") as f:
            pem = f.read()
    except FileNotFoundError:
        pem = None
    if pem is not None:
        try:
            key = serialization.load_pem_private_key(pem, None)
        except (ValueError, TypeError):  # garbled, or protected by a password
            raise ValueError(f"{path}: not a readable PEM private key") from None
        if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
            raise ValueError(f"{path}: not an ECDSA P-256 key")
        return key
    key = ec.generate_private_key(ec.SECP256R1())
    pem = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                            serialization.NoEncryption())
    os.makedirs(os.path.dirname(path), mode=0o700, exist_ok=True)
    part = f"{path}.{os.getpid()}.part"
    fd = os.open(part, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(pem)
        os.link(part, path)  # never over a key another server saved meanwhile: that one is used
    except FileExistsError:
        return load_key(path)
    finally:
        os.remove(part)
    return key


def load_keys(folder, numbers):
    return {num: load_key(os.path.join(folder, f"{num}.key")) for num in numbers}


# Messages

class ProtocolError(Exception):
    """A message that breaks the protocol, or a handshake refused: the connection ends."""


def frame(kind, body=b""):
    return struct.pack(">IB", 1 + len(body), kind) + body


def read_exact(sock, size):
    data = bytearray()
    while len(data) < size:
        part = sock.recv(size - len(data))
        if not part:
            raise EOFError("closed")
        data += part
    return bytes(data)


def read_frame(sock):
    """(type, body) of the next message, its length checked before anything else is read."""
    size, = struct.unpack(">I", read_exact(sock, 4))
    if not 1 <= size <= MAX_FRAME:
        raise ProtocolError(f"frame length {size}")
    data = read_exact(sock, size)
    return data[0], data[1:]


def chunk_range(body, limit):
    """(first, count) of a HAVE, REQUEST or CANCEL."""
    if len(body) != 6:
        raise ProtocolError("range length")
    first, count = struct.unpack(">IH", body)
    if not 1 <= count <= limit:
        raise ProtocolError(f"range count {count}")
    return first, count


def handshake(fp, port, channel):
    text = str(channel).encode("ascii")
    return frame(HANDSHAKE, struct.pack(">B32sHB", VERSION, fp, port, len(text)) + text)


def parse_handshake(body):
    """(version, fingerprint, port, channel text) of a HANDSHAKE."""
    if len(body) < 37:
        raise ProtocolError("handshake length")
    version, fp, port, size = struct.unpack(">B32sHB", body[:36])
    if not 1 <= size <= 32 or len(body) != 36 + size:
        raise ProtocolError("handshake channel")
    return version, fp, port, body[36:]


def sign_batch(key, first, digests, times):
    """A BATCH frame for chunks first, first + 1, ...: their digests and stream times (ms), signed."""
    body = struct.pack(f">IH{len(digests) * 32}s{len(times)}I", first, len(digests), b"".join(digests), *times)
    r, s = decode_dss_signature(key.sign(SIGNED_PREFIX + body, ec.ECDSA(hashes.SHA256())))
    return frame(BATCH, body + r.to_bytes(32, "big") + s.to_bytes(32, "big"))


def check_batch(public, body):
    """Raises Malformed unless the BATCH body is well formed and signed by the public key."""
    if len(body) < 6:
        raise ProtocolError("batch length")
    first, count = struct.unpack(">IH", body[:6])
    if not 1 <= count <= MAX_BATCH or len(body) != 6 + 36 * count + 64:
        raise ProtocolError("batch count")
    signature = encode_dss_signature(int.from_bytes(body[-64:-32], "big"), int.from_bytes(body[-32:], "big"))
    try:
        public.verify(signature, SIGNED_PREFIX + body[:-64], ec.ECDSA(hashes.SHA256()))
    except InvalidSignature:
        raise ProtocolError("batch signature") from None


# Chunks and batches

def slot(due):
    """The batch slot of a stream time in seconds."""
    return int(due * 1000) // BATCH_MS


class ChannelSwarm:
    """One channel's chunks and signed batches over the last WINDOW chunks, made as the stream comes
    due, and the seed's connections to its viewers, told of each batch as it is made."""

    def __init__(self, num, loop, key, lead=1.0):
        self.num, self.loop, self.key, self.lead = num, loop, key, lead
        self.fingerprint = bytes.fromhex(fingerprint(key))
        self.public_der = public_der(key)
        self.chunks = {}  # number -> bytes, within the window
        self.batches = collections.deque()  # (first, count, frame)
        self.peers = []  # the seed's connections, in the order the new chunks are pushed to them
        self.turn = 0
        self.server_bytes = 0  # DATA the seed sent, chunk bytes
        self.lock = threading.Lock()
        self.stopped = threading.Event()
        # The window starts the last WINDOW chunks before now: a channel's stream may have been
        # playing over HTTP long before its first swarm viewer.
        due = loop.due_offset(time.monotonic() - loop.epoch) // CHUNK
        self.edge = max(0, due - WINDOW)  # one past the latest chunk signed
        self.pieces = loop.pieces_from(self.edge * CHUNK)
        self.pending, self.pending_slot, self.buffer = [], None, bytearray()  # pending: (data, digest, ms)
        threading.Thread(target=self.run, args=self.catch_up(), name=f"chunker {num}", daemon=True).start()

    def catch_up(self):
        """Cuts and signs what is already due; returns the next piece, which is not."""
        for due, piece in self.pieces:
            if self.loop.epoch + due > time.monotonic():
                return due, piece
            self.take(due, piece)

    def run(self, due, piece):
        while True:
            # Nothing more joins the pending batch once the next piece is in a later slot.
            if self.pending and slot(due) > self.pending_slot:
                self.sign()
            if self.stopped.wait(max(0.0, self.loop.epoch + due - time.monotonic())):
                return
            self.take(due, piece)
            due, piece = next(self.pieces)

    def take(self, due, piece):
        """One piece of the stream, due so many seconds after the epoch."""
        self.buffer += piece
        while len(self.buffer) >= CHUNK:
            data = bytes(self.buffer[:CHUNK])
            del self.buffer[:CHUNK]
            if self.pending and slot(due) > self.pending_slot:
                self.sign()
            if not self.pending:
                self.pending_slot = slot(due)
            ms = int(due * 1000) % (1 << 32)  # the field wraps after 49 days
            self.pending.append((data, hashlib.sha256(data).digest(), ms))
            if len(self.pending) == MAX_BATCH:
                self.sign()

    def sign(self):
        first = self.edge
        batch = sign_batch(self.key, first, [d for _, d, _ in self.pending], [t for _, _, t in self.pending])
        count = len(self.pending)
        have = frame(HAVE, struct.pack(">IH", first, count))
        with self.lock:
            for i, (data, _, _) in enumerate(self.pending):
                self.chunks[first + i] = data
            self.batches.append((first, count, batch))
            self.edge = first + count
            low = self.edge - WINDOW
            for n in range(max(0, low - count), low):
                self.chunks.pop(n, None)
            while self.batches and self.batches[0][0] + self.batches[0][1] <= low:
                self.batches.popleft()
            for peer in self.peers:
                peer.send(batch, have)
            for i, (data, _, _) in enumerate(self.pending):
                if self.peers:
                    self.peers[self.turn % len(self.peers)].push(first + i, data)
                    self.turn += 1
        self.pending = []

    def chunk(self, n):
        with self.lock:
            return self.chunks.get(n)

    def start(self):
        """The chunk a joining viewer starts at: that of the latest join point `lead` seconds behind what
        it may take, which lags the live point by a chunk and a batch; so that it too gets that much of
        the stream at once, as an HTTP viewer does."""
        lag = BATCH_MS / 1000 + CHUNK / self.loop.rate
        return self.loop.join_offset(self.lead + lag) // CHUNK

    def join(self, peer):
        """Adds a seed connection and queues for it what is held: the batches a joining viewer keeps
        (from KEEP_BEHIND chunks before its start), then one HAVE."""
        low = self.start() - KEEP_BEHIND
        with self.lock:
            self.peers.append(peer)
            frames = [batch for first, count, batch in self.batches if first + count > low]
            if self.chunks:
                low = min(self.chunks)
                frames.append(frame(HAVE, struct.pack(">IH", low, self.edge - low)))
            peer.send(*frames)

    def leave(self, peer):
        with self.lock:
            if peer in self.peers:
                self.peers.remove(peer)

    def count_sent(self, size):
        with self.lock:
            self.server_bytes += size

    def stop(self):
        self.stopped.set()


# The seed

class Peer:
    """A viewer's connection to the seed. Its reader answers the viewer's messages; its writer sends
    what is queued, so that a viewer that reads slowly holds up no one else."""

    def __init__(self, sock, address, seed):
        self.sock, self.address, self.seed = sock, address, seed
        self.frames = collections.deque()  # (frame, chunk bytes in it), sent before any request
        self.queued = 0  # bytes in frames
        self.requested = collections.deque()  # chunk numbers asked for and not yet sent
        self.in_flight = 0
        self.swarm = None
        self.closed = False
        self.ready = threading.Condition()

    def send(self, *frames, size=0):
        with self.ready:
            self.frames.extend((f, size) for f in frames)
            self.queued += sum(map(len, frames))
            self.ready.notify()
            if self.queued <= QUEUE_LIMIT:
                return
        self.close("not reading")

    def push(self, n, data):
        self.send(frame(DATA, struct.pack(">I", n) + data), size=len(data))

    def serve(self):
        reason = "left"
        try:
            self.sock.settimeout(HANDSHAKE_SECONDS)
            kind, body = read_frame(self.sock)
            if kind != HANDSHAKE:
                raise ProtocolError("no handshake")
            self.swarm = self.seed.open(body)
            self.sock.settimeout(None)  # a viewer that holds all it needs may stay quiet
            threading.Thread(target=self.write, name=f"seed writer {self.address}", daemon=True).start()
            self.send(handshake(self.swarm.fingerprint, self.seed.port, self.swarm.num),
                      frame(KEY, self.swarm.public_der))
            self.swarm.join(self)
            while not self.closed:
                self.handle(*read_frame(self.sock))
        except EOFError:
            pass
        except (ProtocolError, OSError) as e:
            reason = str(e)
        except Exception as e:  # the channel could not be made: this viewer goes, the server stays
            reason = f"{type(e).__name__}: {e}"
        finally:
            if self.swarm:
                self.swarm.leave(self)
            self.close(reason)

    def handle(self, kind, body):
        if kind == KEY:
            if not 1 <= len(body) <= 256 or hashlib.sha256(body).digest() != self.swarm.fingerprint:
                raise ProtocolError("key does not match the fingerprint")
        elif kind == BATCH:
            check_batch(self.swarm.key.public_key(), body)
        elif kind in (HAVE, CANCEL):
            first, count = chunk_range(body, MAX_RANGE)
            if kind == CANCEL:
                with self.ready:
                    self.requested = collections.deque(n for n in self.requested
                                                       if not first <= n < first + count)
        elif kind == REQUEST:
            first, count = chunk_range(body, MAX_BATCH)
            with self.ready:
                if len(self.requested) + self.in_flight + count > MAX_OUTSTANDING:
                    raise ProtocolError("request flood")
                self.requested.extend(range(first, first + count))
                self.ready.notify()
        elif kind in (CHOKE, UNCHOKE):
            if body:
                raise ProtocolError("choke with a body")
        else:  # DATA too: the seed asks for nothing
            raise ProtocolError(f"unexpected message type {kind}")

    def write(self):
        try:
            while True:
                with self.ready:
                    while not (self.closed or self.frames or self.requested):
                        self.ready.wait()
                    if self.closed:
                        return
                    if self.frames:
                        data, size = self.frames.popleft()
                        self.queued -= len(data)
                    else:
                        n, data, self.in_flight = self.requested.popleft(), None, 1
                if data is None:  # requests are answered for the chunks still in the window
                    chunk = self.swarm.chunk(n)
                    data, size = (frame(DATA, struct.pack(">I", n) + chunk), len(chunk)) if chunk else (b"", 0)
                self.sock.sendall(data)
                with self.ready:
                    self.in_flight = 0
                if size:
                    self.swarm.count_sent(size)
        except OSError as e:
            self.close(str(e))

    def close(self, reason):
        with self.ready:
            if self.closed:
                return
            self.closed = True
            self.frames.clear()
            self.ready.notify()
        self.seed.forget(self)
        print(f"peer {self.address[0]}:{self.address[1]} dropped: {reason}", flush=True)
        try:
            self.sock.shutdown(socket.SHUT_RDWR)  # wakes its reader and writer
        except OSError:
            pass  # already gone
        self.sock.close()


class Seed:
    """The server's own peer for every channel: it holds each chunk in the window and asks for none."""

    def __init__(self, host, fingerprints, open_channel):
        self.fingerprints, self.open_channel = fingerprints, open_channel  # by channel number
        self.listener = socket.create_server((host, 0))
        self.port = self.listener.getsockname()[1]
        self.peers = set()
        self.lock = threading.Lock()
        threading.Thread(target=self.accept, name="seed", daemon=True).start()

    def accept(self):
        while True:
            try:
                sock, address = self.listener.accept()
            except OSError:
                return  # closed
            peer = Peer(sock, address, self)
            with self.lock:
                self.peers.add(peer)
            threading.Thread(target=peer.serve, name=f"seed peer {address}", daemon=True).start()

    def open(self, body):
        """The channel a viewer's HANDSHAKE asks for, refused unless it matches ours."""
        version, fp, _, text = parse_handshake(body)
        if version != VERSION:
            raise ProtocolError(f"version {version}")
        num = int(text) if text.isdigit() else None
        if num not in self.fingerprints:
            raise ProtocolError(f"no channel {text.decode('ascii', 'replace')}")
        if fp != self.fingerprints[num]:
            raise ProtocolError("fingerprint differs")
        return self.open_channel(num)

    def forget(self, peer):
        with self.lock:
            self.peers.discard(peer)

    def close(self):
        try:
            self.listener.shutdown(socket.SHUT_RDWR)  # wakes accept()
        except OSError:
            pass  # not connected: nothing to wake
        self.listener.close()
        with self.lock:
            peers = list(self.peers)
        for peer in peers:
            peer.close("server stopping")


# The tracker

class Tracker:
    """Who watches which channel: viewers by (address, port), forgotten after `forget` seconds without
    an announce. The bytes they say they received are summed per channel, the forgotten ones' too."""

    def __init__(self, forget=15.0, clock=time.monotonic, rng=None):
        self.forget, self.clock, self.rng = forget, clock, rng or random.Random()
        self.viewers = collections.defaultdict(dict)  # channel -> {(address, port): (seen, received)}
        self.retired = collections.Counter()  # channel -> received by the forgotten viewers
        self.lock = threading.Lock()

    def expire(self, num):
        now, viewers = self.clock(), self.viewers[num]
        for viewer in [v for v, (seen, _) in viewers.items() if now - seen >= self.forget]:
            self.retired[num] += viewers.pop(viewer)[1]

    def announce(self, num, address, port, received):
        """Up to 8 other viewers that take connections, chosen at random."""
        with self.lock:
            self.expire(num)
            self.viewers[num][address, port] = (self.clock(), received)
            others = [v for v in self.viewers[num] if v != (address, port) and v[1]]
            return self.rng.sample(others, min(8, len(others)))

    def leave(self, num, address, port):
        with self.lock:
            if (address, port) in self.viewers[num]:
                self.retired[num] += self.viewers[num].pop((address, port))[1]

    def counts(self, num):
        """(viewers, bytes received from partners) of the channel."""
        with self.lock:
            self.expire(num)
            viewers = self.viewers[num]
            return len(viewers), self.retired[num] + sum(r for _, r in viewers.values())
