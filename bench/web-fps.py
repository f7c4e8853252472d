#!/usr/bin/python3
"""Frames per second of the web build in headless chromium (SwiftShader) with a 640x480
canvas, beside the native demo's 640x480 window on the same machine, read from their titles
after a settling time, in one run; each side names its renderer. The browser presents at
most one frame per animation frame (60 a second in headless chromium); the native demo swaps
without waiting.
Usage: scripts/with-display.sh bench/web-fps.py BUILD_DIR WEB_FOLDER [SECONDS]"""
import functools
import http.server
import os
import re
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web'))
sys.argv += [''] * 3  # web_checks reads its own arguments at import
import web_checks  # noqa: E402  the browser the tests start

build, web = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
seconds = float(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[3] else 10.0
assets = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'assets')


def fps(title):
    found = re.search(r'\(([\d.]+) fps\)', title or '')
    return float(found.group(1)) if found else float('nan')


def web_fps():
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Quiet, directory=web))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    driver = web_checks.browser()
    try:
        driver.get(f'http://127.0.0.1:{server.server_address[1]}/')
        # Size the window so that the canvas is 640x480.
        for _ in range(3):
            width, height = driver.execute_script(
                "const c = document.getElementById('canvas'); return [c.width, c.height]")
            size = driver.get_window_size()
            driver.set_window_size(size['width'] + 640 - width, size['height'] + 480 - height)
            time.sleep(0.5)
        canvas = driver.execute_script("const c = document.getElementById('canvas'); return [c.width, c.height]")
        renderer = driver.execute_script("""
            const gl = document.getElementById('canvas').getContext('webgl2');
            const info = gl.getExtension('WEBGL_debug_renderer_info');
            return info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : gl.getParameter(gl.RENDERER)""")
        time.sleep(seconds)
        return fps(driver.title), renderer, canvas
    finally:
        driver.quit()
        server.shutdown()


def native_fps():
    demo = subprocess.Popen([os.path.join(build, 'app', 'corvane')], cwd=assets)
    try:
        time.sleep(seconds)
        title = subprocess.run(['xdotool', 'search', '--name', r'^Corvane \(', 'getwindowname'],
                               capture_output=True, text=True).stdout.strip().splitlines()
        return fps(title[0] if title else '')
    finally:
        demo.terminate()
        demo.wait()


web_rate, web_renderer, canvas = web_fps()
native_rate = native_fps()
# The same Mesa driver offscreen names the renderer (the demo's window shows no name).
snapshot = subprocess.run([os.path.join(build, 'tools', 'snapshot', 'corvane-snapshot'), '--assets',
                           assets, '--frames', '300', '--bench'], capture_output=True, text=True)
native_renderer = re.search(r'renderer="([^"]*)"', snapshot.stdout + snapshot.stderr)
offscreen = re.search(r'fps=([\d.]+)', snapshot.stdout + snapshot.stderr)
print(f'web build, headless chromium, canvas {canvas[0]}x{canvas[1]}: {web_rate:.1f} fps ({web_renderer})')
print(f'native demo, 640x480 window:                 {native_rate:.1f} fps (GLX on this display)')
print(f'native offscreen, corvane-snapshot --bench:  {offscreen.group(1) if offscreen else "?"} fps '
      f'({native_renderer.group(1) if native_renderer else "?"})')
