#!/usr/bin/python3
"""A scripted FTP server for fault cases that real servers do not produce.

    /usr/bin/python3 scripted_ftp_server.py --script FILE.json --out DIR

It listens on a free port of 127.0.0.1, prints one line "PORT <n>" (flushed) and
then plays the script: a JSON list of steps, one at a time, in order.  It waits
for the first control connection before the first step.  Text in the script is
sent and compared byte for byte: each character is one byte (code 0-255), so
write "\\r\\n" line ends yourself.

Steps (the first key names the step; other keys are options):
  {"send": TEXT}                      send TEXT on the control connection
  {"send_split": [T1, T2, ...], "pause_ms": 100}
                                      send the parts as separate writes, pausing
                                      between them (one reply split over writes)
  {"expect": PREFIX, "reply": TEXT}   read one command line, record it, fail the
                                      script unless it starts with PREFIX (ASCII
                                      case ignored); then send "reply" if given
  {"pasv_reply": TEXT}                open a data listener on a free port and send
                                      TEXT with {p1}, {p2} (port / 256, port % 256)
                                      and {port} filled in; any other text is sent
                                      as written (odd numbers, bad syntax...)
  {"data_send": BYTES, "repeat": 1, "then": "close", "close_early_after": N}
                                      accept the data connection, send BYTES
                                      (repeated), then "close" it, "stall" (keep it
                                      open, silent, and go on with the script) or
                                      "reset" it (RST); "close_early_after" sends
                                      only the first N bytes
  {"data_receive": true}              accept the data connection and read until the
                                      client closes it; the bytes go to data-K.bin
                                      (K counts data_receive steps from 0)
  {"sleep_ms": N}                     pause
  {"close": true}                     close the control connection
  {"accept": true}                    wait for the next control connection
  {"expect_close": true}              wait until the client closes the control
                                      connection (fails if it sends a command)
Steps that wait take "timeout_ms" (default 20000).

Output in DIR: commands.log (every command line received, one per line, written
as it arrives), data-K.bin, and at the end either "done" (the script ran to its
end) or "error" (why it stopped).  After the last step the server keeps reading
the control connection, recording whatever arrives without answering, until the
client closes it; then it exits.  SIGTERM ends it at any time.
"""
import argparse
import json
import os
import signal
import socket
import struct
import sys
import time

STEP_KINDS = ("send", "send_split", "expect", "pasv_reply", "data_send", "data_receive",
              "sleep_ms", "close", "accept", "expect_close")


class ScriptError(Exception):
    pass


def to_bytes(text):
    try:
        return text.encode("latin-1")
    except UnicodeEncodeError:
        raise ScriptError("text holds a character above 255: %r" % text)


class Server:
    def __init__(self, out_dir):
        self.out_dir = out_dir
        self.listener = socket.create_server(("127.0.0.1", 0), backlog=8)
        self.control = None
        self.buffer = b""
        self.data_listener = None
        self.stalled = []
        self.uploads = 0

    def port(self):
        return self.listener.getsockname()[1]

    def record(self, line):
        with open(os.path.join(self.out_dir, "commands.log"), "ab") as log:
            log.write(line + b"\n")

    def accept_control(self, timeout):
        self.close_control()
        self.listener.settimeout(timeout)  # None: wait as long as it takes
        try:
            self.control, _ = self.listener.accept()
        except socket.timeout:
            raise ScriptError("no control connection within %.1f s" % timeout)
        self.control.settimeout(None)
        self.buffer = b""

    def need_control(self):
        if self.control is None:
            raise ScriptError("no control connection open")
        return self.control

    def close_control(self):
        if self.control is not None:
            self.control.close()
            self.control = None

    def read_line(self, timeout):
        """One command line without its line end; None when the client closed.
        A timeout of None waits as long as it takes."""
        control = self.need_control()
        deadline = None if timeout is None else time.monotonic() + timeout
        while b"\n" not in self.buffer:
            left = None if deadline is None else deadline - time.monotonic()
            if left is not None and left <= 0:
                raise ScriptError("no command within %.1f s" % timeout)
            control.settimeout(left)
            try:
                chunk = control.recv(4096)
            except socket.timeout:
                continue
            except ConnectionError:
                chunk = b""
            if not chunk:
                if self.buffer:
                    line, self.buffer = self.buffer, b""
                    self.record(line)
                return None
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        line = line.rstrip(b"\r")
        self.record(line)
        return line

    def send(self, data):
        self.need_control().sendall(data)

    def accept_data(self, timeout):
        if self.data_listener is None:
            raise ScriptError("data step without an earlier pasv_reply")
        self.data_listener.settimeout(timeout)
        try:
            data, _ = self.data_listener.accept()
        except socket.timeout:
            raise ScriptError("no data connection within %.1f s" % timeout)
        finally:
            self.data_listener.close()
            self.data_listener = None
        data.settimeout(None)
        return data

    def run_step(self, step):
        kind = next(iter(step))
        timeout = step.get("timeout_ms", 20000) / 1000.0
        if kind == "send":
            self.send(to_bytes(step["send"]))
        elif kind == "send_split":
            parts = step["send_split"]
            for i, part in enumerate(parts):
                if i:
                    time.sleep(step.get("pause_ms", 100) / 1000.0)
                self.send(to_bytes(part))
        elif kind == "expect":
            prefix = to_bytes(step["expect"])
            line = self.read_line(timeout)
            if line is None:
                raise ScriptError("client closed the connection; expected %r" % prefix)
            if not line.lower().startswith(prefix.lower()):
                raise ScriptError("expected %r, received %r" % (prefix, line))
            if "reply" in step:
                self.send(to_bytes(step["reply"]))
        elif kind == "pasv_reply":
            if self.data_listener is not None:
                self.data_listener.close()
            self.data_listener = socket.create_server(("127.0.0.1", 0), backlog=1)
            port = self.data_listener.getsockname()[1]
            text = (step["pasv_reply"].replace("{p1}", str(port // 256))
                    .replace("{p2}", str(port % 256)).replace("{port}", str(port)))
            self.send(to_bytes(text))
        elif kind == "data_send":
            payload = to_bytes(step["data_send"]) * step.get("repeat", 1)
            if "close_early_after" in step:
                payload = payload[:step["close_early_after"]]
            data = self.accept_data(timeout)
            try:
                data.sendall(payload)
            except ConnectionError:
                pass
            then = step.get("then", "close")
            if then == "stall":
                self.stalled.append(data)
            elif then == "reset":
                data.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                data.close()
            else:
                data.close()
        elif kind == "data_receive":
            data = self.accept_data(timeout)
            received = bytearray()
            while True:
                try:
                    chunk = data.recv(65536)
                except ConnectionError:
                    chunk = b""
                if not chunk:
                    break
                received += chunk
            data.close()
            name = os.path.join(self.out_dir, "data-%d.bin" % self.uploads)
            with open(name + ".part", "wb") as out:
                out.write(received)
            os.rename(name + ".part", name)
            self.uploads += 1
        elif kind == "sleep_ms":
            time.sleep(step["sleep_ms"] / 1000.0)
        elif kind == "close":
            self.close_control()
        elif kind == "accept":
            self.accept_control(timeout)
        elif kind == "expect_close":
            line = self.read_line(timeout)
            if line is not None:
                raise ScriptError("expected the client to close, received %r" % line)
            self.close_control()

    def drain(self):
        while self.control is not None and self.read_line(None) is not None:
            pass


def check_script(script):
    if not isinstance(script, list):
        raise ScriptError("the script is not a list of steps")
    for i, step in enumerate(script):
        if not isinstance(step, dict) or not step or next(iter(step)) not in STEP_KINDS:
            raise ScriptError("step %d is not a known step: %r" % (i, step))
        if step.get("then", "close") not in ("close", "stall", "reset"):
            raise ScriptError("step %d: unknown \"then\": %r" % (i, step["then"]))


def write_marker(out_dir, name, text):
    with open(os.path.join(out_dir, name + ".part"), "w") as out:
        out.write(text)
    os.rename(os.path.join(out_dir, name + ".part"), os.path.join(out_dir, name))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--script", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))

    with open(args.script, encoding="utf-8") as f:
        script = json.load(f)
    check_script(script)

    server = Server(args.out)
    print("PORT %d" % server.port(), flush=True)
    i, step = -1, {"accept": True}
    try:
        server.accept_control(None)
        for i, step in enumerate(script):
            server.run_step(step)
    except (ScriptError, OSError) as e:
        write_marker(args.out, "error", "step %d %s: %s" % (i, json.dumps(step)[:200], e))
        print("script failed: %s" % e, flush=True)
        return 1
    write_marker(args.out, "done", "")
    server.drain()
    return 0


if __name__ == "__main__":
    sys.exit(main())
