#!/usr/bin/python3
"""Demo channel server for the Kalda client: online counts, programme lists, portal pages,
the remote version file, and a log of the requests it got (for the client's tests)."""
import argparse
import collections
import datetime
import html
import ipaddress
import os
import random
import re
import signal
import sys
import threading
import xml.etree.ElementTree as ET
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit
import update_package

WWW = os.path.join(os.path.dirname(os.path.abspath(__file__)), "www")

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


def online_xml(counts):
    # No whitespace between elements, so the client's child-node indices count elements only.
    root = ET.Element("ChannelList")
    now = datetime.datetime.now().strftime("%Y-%m-%d %H:%M:%S")
    for num, name, cat, kbps, _ in CHANNELS:
        rec = ET.SubElement(root, "Channel")
        online = counts[num]
        for tag, value in [("ChannelNo", num), ("Name", name), ("Category", cat),
                           ("PlayUrl", f"p2p://127.0.0.1:8088/live/{num}"), ("Bitrate", kbps),
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
            return self.send(200, b"", "text/plain; charset=utf-8")
        self.send(404, page("404", "<p>未找到</p>"))

    def do_GET(self):
        url = urlsplit(self.path)
        query = parse_qs(url.query)
        log = self.server.requests
        if url.path == "/requests":
            if query.get("clear") == ["1"]:
                log.clear()
            return self.send(200, "".join(p + "\n" for p in log.snapshot()).encode("utf-8"),
                             "text/plain; charset=utf-8")
        log.add(self.path)
        if url.path == "/SimpleRootBin/Xml/ListSimpleByChannel.xml":
            return self.send(200, online_xml(self.server.audience.step()), "text/xml; charset=utf-8")
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


def make_server(host="127.0.0.1", port=8088, version=1, seed=None):
    server = ThreadingHTTPServer((host, port), Handler)
    server.version, server.audience, server.requests = version, Audience(seed), RequestLog()
    return server


def main(argv=None):
    ap = argparse.ArgumentParser(description="Kalda demo channel server")
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=8088)
    ap.add_argument("--version", type=int, default=1, help="version in /update/p.ini")
    update_package.add_arguments(ap)
    ap.add_argument("--seed", type=int, help="make the audience drift reproducible")
    ap.add_argument("--public", action="store_true", help="allow a non-loopback --host")
    args = ap.parse_args(argv)
    try:
        loopback = args.host == "localhost" or ipaddress.ip_address(args.host).is_loopback
    except ValueError:
        loopback = False
    if not loopback and not args.public:
        ap.error(f"{args.host} is not a loopback address (add --public to bind it anyway)")
    server = make_server(args.host, args.port, args.version, args.seed)

    def stop(*_):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, stop)
    server.update = update_package.from_arguments(ap, args, server.version)
    host, port = server.server_address[:2]
    try:  # print inside: a signal right after the line must still end cleanly
        print(f"listening on http://{host}:{port}", flush=True)
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
