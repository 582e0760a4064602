#!/usr/bin/python3
"""Demo channel server for the Kalda client: online counts, programme lists, portal pages,
the remote version file, live channel streams over HTTP and through each channel's swarm (swarm.py),
and logs of the requests and open streams (for the client's tests)."""
import argparse
import bisect
import collections
import colorsys
import concurrent.futures
import contextlib
import datetime
import functools
import hashlib
import html
import ipaddress
import os
import random
import re
import signal
import subprocess
import sys
import threading
import time
import xml.etree.ElementTree as ET
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit
import swarm
import update_package

DEMO = os.path.dirname(os.path.abspath(__file__))
WWW = os.path.join(DEMO, "www")
CACHE = os.path.join(os.path.dirname(DEMO), "build", "demo-cache")
KEYS = os.path.join(os.path.dirname(DEMO), "build", "channel-keys")
TEXT = "text/plain; charset=utf-8"
LIVE = "/live/"  # a play address p2p://host:port/live/N is fetched as http://host:port/live/N

# (number, name, category, bitrate in kbit/s, typical audience)
CHANNELS = [
    (101, "Kalda综合", "综合", 800, 5200), (102, "Kalda新闻", "新闻", 600, 3900),
    (103, "体育竞技", "体育", 1000, 4600), (104, "午夜影院", "电影", 1000, 3300),
    (105, "快乐少儿", "少儿", 600, 2100), (106, "音乐现场", "音乐", 800, 1800),
    (107, "戏曲大观", "戏曲", 500, 700), (108, "纪实探索", "纪实", 800, 1500),
    (109, "财经观察", "财经", 600, 1200), (110, "山水旅游", "旅游", 700, 900),
    (111, "科教天地", "科教", 600, 1100), (112, "动漫乐园", "动漫", 700, 2600),
    (113, "家居生活", "生活", 500, 800), (114, "田园农业", "农业", 500, 400),
    (115, "Quorv测试", "测试", 300, 60),
]
BY_NUMBER = {c[0]: c for c in CHANNELS}

PROGRAMMES = {
    "综合": ["早安Kalda", "城市日记", "欢乐周末", "家乡的味道", "夜话人生"],
    "新闻": ["整点新闻", "今日聚焦", "天气与出行", "新闻夜航", "一周回顾"],
    "体育": ["体坛快讯", "篮球精选", "足球之夜", "极限挑战", "冠军访谈"],
    "电影": ["经典重温：远山来信", "午后剧场：雨巷", "动作片：追风十日", "影评时间", "午夜场：灯塔"],
    "少儿": ["小熊上学记", "七彩课堂", "故事大王", "手工小达人", "晚安童谣"],
    "音乐": ["晨曲", "排行榜现场", "民谣时光", "器乐之声", "夜色爵士"],
    "戏曲": ["名段欣赏", "戏曲课堂", "经典折子戏", "梨园访谈", "夜半清唱"],
    "纪实": ["大河之源", "匠人", "深海秘境", "古城记忆", "候鸟迁徙"],
    "财经": ["开盘前瞻", "财经午报", "创业故事", "收盘点评", "理财课堂"],
    "旅游": ["行走山水", "小城故事", "美食地图", "自驾日记", "远方的家"],
    "科教": ["科学探秘", "发明之路", "星空讲堂", "健康百科", "动手实验室"],
    "动漫": ["云朵王国", "机甲少年", "森林小精灵", "动画短片集", "漫画家访谈"],
    "生活": ["巧手厨房", "家居改造", "健身时间", "花草园艺", "生活妙招"],
    "农业": ["田间课堂", "致富经验谈", "乡村集市", "养殖技术", "丰收时节"],
    "测试": ["测试图卡", "信号测试", "色条与音调", "测试图卡", "信号测试"],
}


class Audience:
    """Per-channel online counts doing a mean-reverting random walk, one step per read."""

    def __init__(self, seed=None):
        self.rng = random.Random(seed)
        self.counts = {num: base for num, _, _, _, base in CHANNELS}
        self.lock = threading.Lock()

    def step(self):
        with self.lock:
            for num, _, _, _, base in CHANNELS:
                c = self.counts[num]
                c += round(self.rng.gauss(0.1 * (base - c), 0.03 * base + 3))
                self.counts[num] = max(0, c)
            return dict(self.counts)


def online_xml(counts, fingerprints):
    # No whitespace between elements, so the client's child-node indices count elements only.
    root = ET.Element("ChannelList")
    now = datetime.datetime.now().strftime("%Y-%m-%d %H:%M:%S")
    for num, name, cat, kbps, _ in CHANNELS:
        rec = ET.SubElement(root, "Channel")
        online = counts[num]
        for tag, value in [("ChannelNo", num), ("Name", name), ("Category", cat),
                           ("PlayUrl", f"p2p://127.0.0.1:8088{LIVE}{num}?key={fingerprints[num]}"),
                           ("Bitrate", kbps),
                           ("Peers", online // 8), ("Seeds", 2 + num % 3), ("Status", "live"),
                           ("Online", online), ("Updated", now)]:
            ET.SubElement(rec, tag).text = str(value)
    return ET.tostring(root, encoding="UTF-8", xml_declaration=True)


def page(title, body):
    return (f'<!DOCTYPE html><html><head><meta charset="utf-8"><title>{html.escape(title)}</title>'
            '<style>body{margin:4px;font:12px sans-serif}table{border-collapse:collapse}'
            'td{padding:1px 3px}.now{background:#fde9a9;font-weight:bold}</style></head>'
            f'<body>{body}</body></html>').encode("utf-8")


def programme_list(num):
    _, name, cat, _, _ = BY_NUMBER[num]
    titles = PROGRAMMES[cat]
    # Same schedule for a channel all day; which row is "now" follows the clock.
    starts = [6 * 60 + i * 90 + (num % 4) * 10 for i in range(12)]
    minute = datetime.datetime.now().hour * 60 + datetime.datetime.now().minute
    rows = []
    for i, start in enumerate(starts):
        end = starts[i + 1] if i + 1 < len(starts) else 24 * 60
        cls = ' class="now"' if start <= minute < end else ""
        title = titles[(i + num) % len(titles)]
        rows.append(f"<tr{cls}><td>{start // 60:02d}:{start % 60:02d}</td>"
                    f"<td>{html.escape(title)}</td></tr>")
    return page(f"{num} {name}", f"<b>{num} {html.escape(name)}</b> 今日节目<table>{''.join(rows)}</table>")


# Each channel repeats one loop. Its length is a whole number of video frames (40 ms) and of MP2
# frames (24 ms), so the repeats join without a gap; short GOPs let a viewer start soon.
LOOP_SECONDS, FPS, GOP, SIZE, AUDIO_KBPS = 12, 25, 12, "640x360", 64
PACKET = 188
# A joining viewer starts at the latest key frame this much behind the live point and gets what is
# due at once: a player's parser reads about one and a half groups of pictures before its first
# frame, which then comes without waiting for the live point to move on.
JOIN_LEAD = 1.0
STAMP_WRAP = 1 << 33  # PTS, DTS and the PCR base count 90 kHz ticks modulo 2^33


def loop_command(num):
    """The ffmpeg arguments (output last) for a channel's loop: its number and name over its own
    colour, a running clock, a box crossing once per loop, and a tone of its own."""
    index = [c[0] for c in CHANNELS].index(num)
    _, name, _, kbps, _ = BY_NUMBER[num]
    rgb = "".join(f"{round(255 * x):02x}" for x in colorsys.hsv_to_rgb(index / len(CHANNELS), 0.7, 0.6))
    text = "drawtext=font='WenQuanYi Micro Hei':fontcolor=white:x=(w-tw)/2"
    graph = (f"color=c=0x{rgb}:s={SIZE}:r={FPS}:d={LOOP_SECONDS}[bg];color=c=white:s=40x40:r={FPS}[box];"
             f"[bg][box]overlay=x='(W+w)*t/{LOOP_SECONDS}-w':y=H-70:shortest=1,"
             f"{text}:text='{num} {name}':fontsize=48:y=h/2-th-10,"
             f"{text}:text='%{{pts\\:hms}}':fontsize=32:y=h/2+16[v];"
             # A whole number of cycles per loop keeps the tone in phase over the seam.
             f"sine=frequency={220 + 40 * index}:sample_rate=48000:samples_per_frame=1152"
             f":duration={LOOP_SECONDS}[a]")
    video = kbps - AUDIO_KBPS  # the channel's listed bitrate
    return ["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-filter_complex", graph,
            "-map", "[v]", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
            "-g", str(GOP), "-keyint_min", str(GOP), "-sc_threshold", "0",
            "-b:v", f"{video}k", "-maxrate", f"{video}k", "-bufsize", f"{video}k",
            "-map", "[a]", "-c:a", "mp2", "-ac", "1", "-b:a", f"{AUDIO_KBPS}k", "-f", "mpegts"]


def read_stamp(buf, at):
    return ((buf[at] >> 1 & 7) << 30 | buf[at + 1] << 22 | buf[at + 2] >> 1 << 15
            | buf[at + 3] << 7 | buf[at + 4] >> 1)


def write_stamp(buf, at, ts):
    buf[at:at + 5] = bytes([buf[at] & 0xF1 | ts >> 29 & 0x0E, ts >> 22 & 0xFF, ts >> 14 & 0xFE | 1,
                            ts >> 7 & 0xFF, ts << 1 & 0xFE | 1])


class Loop:
    """A channel's looped transport stream, played as one endless live stream: each repeat shifts
    the timestamps and continuity counters on, so the seams look like the rest of the stream."""

    def __init__(self, data):
        self.data = data
        self.packets = len(data) // PACKET  # a trailing part packet is never sent
        steps = []  # (packet, seconds into the loop) at each PCR
        self.joins = []  # (packet, seconds): the PAT before each video key frame, where viewers start
        self.stamps, self.pcrs, self.counters = [], [], []  # byte offsets of the fields to shift
        per_pid = collections.Counter()
        first_pcr = last_pat = None
        for n in range(self.packets):
            at = n * PACKET
            if data[at] != 0x47:
                raise ValueError(f"no sync byte in packet {n}")
            pid, start, flags = (data[at + 1] & 0x1F) << 8 | data[at + 2], data[at + 1] & 0x40, data[at + 3]
            self.counters.append((at + 3, pid))
            per_pid[pid] += bool(flags & 0x10)  # the counter steps with each payload
            key, payload = False, at + 4
            if flags & 0x20 and data[payload]:  # adaptation field
                key = data[payload + 1] & 0x40  # random access
                if data[payload + 1] & 0x10:
                    pcr = int.from_bytes(data[payload + 2:payload + 8], "big")
                    pcr = (pcr >> 15) * 300 + (pcr & 0x1FF)
                    first_pcr = pcr if first_pcr is None else first_pcr
                    self.pcrs.append(payload + 2)
                    steps.append((n, (pcr - first_pcr) / 27e6))
            if flags & 0x20:
                payload += 1 + data[payload]
            if pid == 0:
                last_pat = n
            if start and data[payload:payload + 3] == b"\0\0\1" and 0xC0 <= data[payload + 3] <= 0xEF:
                has = data[payload + 7] >> 6  # PTS, and DTS too
                self.stamps += [payload + 9] * (has >= 2) + [payload + 14] * (has == 3)
                if key and data[payload + 3] >= 0xE0 and last_pat is not None:  # video
                    self.joins.append((last_pat, steps[-1][1] if steps else 0.0))
        if not self.joins:
            raise ValueError("no video key frame")
        if not steps or steps[0][0]:
            steps.insert(0, (0, 0.0))
        ends = [n for n, _ in steps[1:]] + [self.packets]
        self.pieces = [(begin, end, at) for (begin, at), end in zip(steps, ends)]  # sent at `at`
        self.per_pid = dict(per_pid)
        self.epoch = time.monotonic()  # the loop's first repeat starts now, for every viewer

    @functools.lru_cache(maxsize=2)  # viewers share the current repeat and the next
    def repeat(self, k):
        """The loop's k-th repeat, its clock k loops on from the first."""
        buf = bytearray(self.data)
        shift = k * LOOP_SECONDS * 90000
        for at in self.stamps:
            write_stamp(buf, at, (read_stamp(buf, at) + shift) % STAMP_WRAP)
        for at in self.pcrs:
            pcr = int.from_bytes(buf[at:at + 6], "big")
            buf[at:at + 6] = ((((pcr >> 15) + shift) % STAMP_WRAP) << 15 | pcr & 0x7FFF).to_bytes(6, "big")
        for at, pid in self.counters:
            buf[at] = buf[at] & 0xF0 | (buf[at] + k * self.per_pid[pid]) & 0x0F
        return bytes(buf)

    @property
    def rate(self):
        """The stream's bytes a second."""
        return self.packets * PACKET / LOOP_SECONDS

    def join_offset(self, lead=JOIN_LEAD):
        """The stream offset of the latest join point `lead` seconds behind the live point."""
        k, into = divmod(max(0.0, time.monotonic() - self.epoch - lead), LOOP_SECONDS)
        start = self.joins[bisect.bisect_right(self.joins, into, key=lambda j: j[1]) - 1][0]
        return (int(k) * self.packets + start) * PACKET

    def due_offset(self, seconds):
        """How much of the stream is due this many seconds after the epoch."""
        k, into = divmod(max(0.0, seconds), LOOP_SECONDS)
        sent = bisect.bisect_right(self.pieces, into, key=lambda p: p[2])
        return (int(k) * self.packets + (self.pieces[sent - 1][1] if sent else 0)) * PACKET

    def pieces_from(self, offset):
        """(due, bytes): the endless stream from a packet's offset on, in the pieces it is sent in,
        each due so many seconds after the epoch."""
        k, start = divmod(offset // PACKET, self.packets)
        while True:
            data = self.repeat(k)
            for begin, end, at in self.pieces:
                if end > start:
                    yield k * LOOP_SECONDS + at, data[max(begin, start) * PACKET:end * PACKET]
            k, start = k + 1, 0

    def live(self):
        """Yields the stream from the latest join point JOIN_LEAD behind the live point on, each
        piece when it is due."""
        for due, piece in self.pieces_from(self.join_offset()):
            delay = self.epoch + due - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            yield piece


class Lazy:
    """Values made on first use, each by its first caller while the others wait for it."""

    def __init__(self, make):
        self.make, self.values = make, {}
        self.locks = collections.defaultdict(threading.Lock)
        self.lock = threading.Lock()

    def get(self, key):
        with self.lock:
            lock = self.locks[key]
        with lock:
            if key not in self.values:
                value = self.make(key)
                with self.lock:
                    self.values[key] = value
            return self.values[key]

    def made(self):
        with self.lock:
            return dict(self.values)


class Channels:
    """The channels' loops, made with ffmpeg into the cache on first use."""

    def __init__(self, cache):
        self.cache = cache
        self.loops = Lazy(lambda num: Loop(self.make(num)))

    def loop(self, num):
        return self.loops.get(num)

    def make(self, num):
        command = loop_command(num)
        # Named after its recipe: a changed recipe makes a new file.
        recipe = hashlib.sha1(repr(command).encode()).hexdigest()[:12]
        path = os.path.join(self.cache, f"live-{num}-{recipe}.ts")
        if not os.path.exists(path):
            os.makedirs(self.cache, exist_ok=True)
            part = f"{path}.{os.getpid()}.part"
            try:
                result = subprocess.run(command + [part], capture_output=True, text=True, timeout=120)
                if result.returncode:
                    raise OSError(f"ffmpeg failed: {result.stderr.strip()}")
                os.replace(part, path)  # whole or not at all, should two servers share the cache
            finally:
                with contextlib.suppress(FileNotFoundError):
                    os.remove(part)
        with open(path, "rb") as f:
            return f.read()


class Streams:
    """The open stream connections, listed at /streams and logged as they open and close."""

    def __init__(self):
        self.open = {}
        self.lock = threading.Lock()

    @contextlib.contextmanager
    def watch(self, path, peer):
        key, opened = object(), time.monotonic()
        with self.lock:
            self.open[key] = path
        print(f"stream opened: {path} for {peer[0]}:{peer[1]}", flush=True)
        try:
            yield
        finally:
            with self.lock:
                del self.open[key]
            print(f"stream closed: {path} for {peer[0]}:{peer[1]} after {time.monotonic() - opened:.1f} s",
                  flush=True)

    def snapshot(self):
        with self.lock:
            return list(self.open.values())


class Handler(BaseHTTPRequestHandler):
    server_version = "KaldaDemo/1.0"

    def log_message(self, *args):  # quiet: the client polls often
        pass

    def send(self, status, body, ctype="text/html; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        # The client must see fresh counts and versions, not a cached copy.
        self.send_header("Cache-Control", "no-cache, no-store")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_DELETE(self):
        if urlsplit(self.path).path == "/requests":
            self.server.requests.clear()
            return self.send(200, b"", TEXT)
        self.send(404, page("404", "<p>未找到</p>"))

    def do_GET(self):
        url = urlsplit(self.path)
        query = parse_qs(url.query)
        log = self.server.requests
        if url.path == "/swarm":
            return self.send(200, self.server.swarm_counts().encode("ascii"), TEXT)
        if url.path in ("/requests", "/streams"):
            if url.path == "/requests" and query.get("clear") == ["1"]:
                log.clear()
            listed = log if url.path == "/requests" else self.server.streams
            return self.send(200, "".join(p + "\n" for p in listed.snapshot()).encode("utf-8"),
                             TEXT)
        log.add(self.path)
        live = re.fullmatch(re.escape(LIVE) + r"(\d+)(?:/(announce|leave))?", url.path)
        if live and int(live[1]) in BY_NUMBER:
            return self.track(int(live[1]), live[2], query) if live[2] else self.stream(int(live[1]))
        if url.path == "/SimpleRootBin/Xml/ListSimpleByChannel.xml":
            return self.send(200, online_xml(self.server.audience.step(), self.server.fingerprints),
                             "text/xml; charset=utf-8")
        if url.path.startswith("/update/"):  # the version file and the update's files
            return self.send(*self.server.update.answer(url.path))
        if url.path == "/list":
            num = query.get("channel", [""])[0].strip()
            if num.isdigit() and int(num) in BY_NUMBER:
                return self.send(200, programme_list(int(num)))
            return self.send(404, page("404", f"<p>没有频道 {html.escape(num)} 的节目单。</p>"
                                              "<p>请从左侧列表选择其他频道。</p>"))
        # Static portal pages: plain names only, so no path can leave www/.
        name = url.path.lstrip("/")
        if re.fullmatch(r"[a-z]+\.html", name) and os.path.isfile(os.path.join(WWW, name)):
            with open(os.path.join(WWW, name), "rb") as f:
                return self.send(200, f.read())
        self.send(404, page("404", "<p>页面不存在。</p>"))

    do_HEAD = do_GET

    def made(self, make, num):
        """The channel's loop or swarm from make, or None when it cannot be made and a 500 went."""
        try:
            return make(num)
        except (OSError, ValueError, subprocess.TimeoutExpired) as e:
            print(f"channel {num} cannot play: {e}", file=sys.stderr, flush=True)
            self.send(500, page("500", f"<p>频道 {num} 暂时无法播放。</p>"))

    def track(self, num, action, query):
        """The tracker: a viewer announces itself and hears of the others, or leaves."""
        names = ("port", "received", "sent") if action == "announce" else ("port",)
        values = [query.get(name, [""])[-1] for name in names]
        if not all(re.fullmatch(r"\d{1,15}", v) for v in values) or int(values[0]) > 65535:
            return self.send(400, f"{', '.join(names)}: whole numbers\n".encode("ascii"), TEXT)
        port, *counts = map(int, values)
        tracker, address = self.server.tracker, self.client_address[0]
        if action == "leave":
            tracker.leave(num, address, port)
            return self.send(200, b"", TEXT)
        channel = self.made(self.server.swarms.get, num)
        if channel is None:
            return
        peers = tracker.announce(num, address, port, received=counts[0])  # what it sent, nobody reads
        lines = [f"seed {self.server.seed.port}", f"start {channel.start()}",
                 f"edge {channel.edge}"] + [f"peer {a}:{p}" for a, p in peers]
        self.send(200, "".join(line + "\n" for line in lines).encode("ascii"), TEXT)

    def stream(self, num):
        loop = self.made(self.server.channels.loop, num)
        if loop is None:
            return
        try:
            self.send_response(200)
            self.send_header("Content-Type", "video/mp2t")
            self.send_header("Cache-Control", "no-cache, no-store")
            self.end_headers()  # no length: the stream ends when the viewer leaves
            if self.command == "HEAD":
                return
            with self.server.streams.watch(self.path, self.client_address):
                for piece in loop.live():
                    self.wfile.write(piece)
        except ConnectionError:
            pass  # the viewer left


class RequestLog:
    def __init__(self):
        self.items = collections.deque(maxlen=10000)  # bounded: the demo may run for days
        self.lock = threading.Lock()

    def add(self, path):
        with self.lock:
            self.items.append(path)

    def clear(self):
        with self.lock:
            self.items.clear()

    def snapshot(self):
        with self.lock:
            return list(self.items)


class ChannelServer(ThreadingHTTPServer):
    """The HTTP server, with each channel's swarm: its chunks and batches, the seed and the tracker."""

    def __init__(self, address, keys):
        super().__init__(address, Handler)
        self.fingerprints = {num: swarm.fingerprint(key) for num, key in keys.items()}
        self.swarms = Lazy(lambda num: swarm.ChannelSwarm(num, self.channels.loop(num), keys[num],
                                                                  JOIN_LEAD))
        self.seed = swarm.Seed(address[0], {num: bytes.fromhex(f) for num, f in self.fingerprints.items()},
                               self.swarms.get)
        self.tracker = swarm.Tracker()

    def swarm_counts(self):
        lines = []
        for num, channel in sorted(self.swarms.made().items()):
            viewers, received = self.tracker.counts(num)
            # The stream's rate tells how many copies of it the seed has sent.
            lines.append(f"{num} viewers={viewers} server_bytes={channel.server_bytes} peer_bytes={received} "
                         f"rate={channel.loop.rate:.0f}\n")
        return "".join(lines)

    def server_close(self):
        super().server_close()
        self.seed.close()
        for channel in self.swarms.made().values():
            channel.stop()


def make_server(keys, host="127.0.0.1", port=8088, version=1, seed=None, cache=CACHE):
    server = ChannelServer((host, port), keys)
    server.version, server.audience, server.requests = version, Audience(seed), RequestLog()
    server.channels, server.streams = Channels(cache), Streams()
    return server


def main(argv=None):
    ap = argparse.ArgumentParser(description="Kalda demo channel server")
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=8088)
    ap.add_argument("--version", type=int, default=1, help="version in /update/p.ini")
    update_package.add_arguments(ap)
    ap.add_argument("--seed", type=int, help="make the audience drift reproducible")
    ap.add_argument("--public", action="store_true", help="allow a non-loopback --host")
    ap.add_argument("--cache", default=CACHE, help="where the channels' generated video is kept")
    ap.add_argument("--prepare", action="store_true",
                    help="make every channel's video before listening, so that no first viewer waits for it")
    ap.add_argument("--keys", default=KEYS, help="where the channels' signing keys are kept (made when missing)")
    ap.add_argument("--print-fingerprints", action="store_true",
                    help="print each channel's number and key fingerprint, and exit")
    args = ap.parse_args(argv)
    try:
        keys = swarm.load_keys(args.keys, BY_NUMBER)
    except (OSError, ValueError) as e:
        print(f"channel keys: {e}", file=sys.stderr, flush=True)
        return 2
    if args.print_fingerprints:
        for num, key in keys.items():
            print(num, swarm.fingerprint(key))
        return 0
    try:
        loopback = args.host == "localhost" or ipaddress.ip_address(args.host).is_loopback
    except ValueError:
        loopback = False
    if not loopback and not args.public:
        ap.error(f"{args.host} is not a loopback address (add --public to bind it anyway)")
    server = make_server(keys, args.host, args.port, args.version, args.seed, args.cache)

    def stop(*_):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, stop)
    server.update = update_package.from_arguments(ap, args, server.version)
    if args.prepare:
        try:
            with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
                list(pool.map(server.channels.loop, BY_NUMBER))
        except (OSError, ValueError, subprocess.TimeoutExpired) as e:
            print(f"the channels' video cannot be made: {e}", file=sys.stderr, flush=True)
    host, port = server.server_address[:2]
    try:  # print inside: a signal right after the line must still end cleanly
        print(f"listening on http://{host}:{port}", flush=True)
        print(f"seed listening on port {server.seed.port}", flush=True)
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
