"""vorta-device started for a test on a link in a fresh folder, and stopped after it."""
import os
import signal
import subprocess
import tempfile
import time


class Device:
    def __init__(self, executable, *args):
        self.folder = tempfile.TemporaryDirectory(prefix="vorta-device-")
        self.link = os.path.join(self.folder.name, "ttyV0")
        self.log = open(os.path.join(self.folder.name, "device.log"), "w+")
        self.process = subprocess.Popen([executable, "--link", self.link, "--log", *args],
                                        stdout=subprocess.DEVNULL, stderr=self.log)
        deadline = time.monotonic() + 5
        while not os.path.islink(self.link):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RuntimeError("vorta-device did not link its port:\n" + self.read_log())
            time.sleep(0.01)

    def read_log(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.process.send_signal(signal.SIGTERM)
        try:
            code = self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            code = None
        if exc[0] is not None or code != 0:
            print("device log:\n" + self.read_log())
        assert code == 0, f"vorta-device ended with {code}"
        assert not os.path.lexists(self.link), "the link outlived the device"
        self.log.close()
        self.folder.cleanup()
        return False
