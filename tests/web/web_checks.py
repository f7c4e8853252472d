#!/usr/bin/python3
"""The web build in a real browser: Debian's chromium, headless with SwiftShader, driven by
Debian's selenium. Serves build/web/ on 127.0.0.1 and checks the page, its frame rate, the
scripted frames against corvane-snapshot's, keys, the menu, the end, a refused picture, a
browser without WebGL 2 and a page opened from a file.
Usage: web_checks.py WEB_FOLDER CORVANE_SNAPSHOT ASSETS [CHECK...]"""
import base64
import functools
import http.server
import os
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

WEB, SNAPSHOT, ASSETS = (os.path.abspath(a) for a in sys.argv[1:4])
WANTED = sys.argv[4:]
# A scripted canvas frame matches the native one when this share of its pixels is within
# LEVELS of it in every channel (SwiftShader and llvmpipe rasterise edges differently).
SHARE, LEVELS = 0.99, 8
# Chromium's profiles and the test's own pictures, removed when the checks end.
SCRATCH = tempfile.TemporaryDirectory(prefix='corvane-web-checks-')


def browser(*extra):
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for argument in ('--headless', '--no-sandbox', '--disable-background-networking',
                     '--disable-component-update', '--disable-sync', '--no-first-run',
                     '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
                     '--disable-dev-shm-usage', '--window-size=800,600',
                     '--user-data-dir=' + tempfile.mkdtemp(dir=SCRATCH.name),
                     *extra):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)


def wait(driver, condition, what, *arguments, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        value = driver.execute_script(condition, *arguments)
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError('timed out waiting for ' + what)


def box_text(driver):
    return wait(driver, "return document.getElementById('box').open && "
                "document.getElementById('box-text').textContent", 'a message box')


def read_png(data):
    """RGB rows of an 8-bit RGB or RGBA PNG without interlace (what both sides write)."""
    chunks, at = {}, 8
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        chunks[kind] = chunks.get(kind, b'') + data[at + 8:at + 8 + length]
        at += 12 + length
    width, height, _, colour = struct.unpack('>IIBB', chunks[b'IHDR'][:10])
    channels = 4 if colour == 6 else 3
    raw, stride, rows, previous = zlib.decompress(chunks[b'IDAT']), width * channels, [], None
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        previous = previous or bytearray(stride)
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up, corner = previous[x], previous[x - channels] if x >= channels else 0
            if kind == 1: line[x] = (line[x] + left) & 255
            elif kind == 2: line[x] = (line[x] + up) & 255
            elif kind == 3: line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                near = min((abs(p - left), 0, left), (abs(p - up), 1, up), (abs(p - corner), 2, corner))
                line[x] = (line[x] + near[2]) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, b''.join(bytes(r[i:i + 3]) for r in rows for i in range(0, stride, channels))


def canvas_rgb(driver):
    """The WebGL canvas's drawing buffer, top row first, as RGB."""
    data = driver.execute_script("""
        const gl = document.getElementById('canvas').getContext('webgl2');
        const w = gl.drawingBufferWidth, h = gl.drawingBufferHeight;
        const rgba = new Uint8Array(w * h * 4);
        gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
        let text = '';
        for (let y = h - 1; y >= 0; --y)
          for (let x = 0; x < w; ++x)
            text += String.fromCharCode(rgba[(y * w + x) * 4], rgba[(y * w + x) * 4 + 1],
                                        rgba[(y * w + x) * 4 + 2]);
        return [w, h, btoa(text)];""")
    return data[0], data[1], base64.b64decode(data[2])


def shown_canvas(driver):
    return read_png(driver.find_element(By.ID, 'canvas').screenshot_as_png)[2]


def within(a, b):
    close = sum(1 for i in range(0, len(a), 3)
                if max(abs(a[i] - b[i]), abs(a[i + 1] - b[i + 1]), abs(a[i + 2] - b[i + 2])) <= LEVELS)
    return close / (len(a) // 3)


def check_title(driver, url):
    driver.get(url)
    wait(driver, r"return /^Corvane \(\d+\.\d fps\)/.test(document.title)", 'a frame rate')


def check_resize(driver, url):
    # A wider window: the canvas follows and the program's viewport with it, so the scene,
    # which the camera centres, stays in the middle of the canvas.
    driver.get(url)
    wait(driver, r"return /fps/.test(document.title)", 'the first frame rate')
    driver.set_window_size(1200, 600)
    wait(driver, "const c = document.getElementById('canvas');"
         "return c.width === c.clientWidth && c.width > 1000", 'the canvas to follow')
    time.sleep(0.5)
    width, _, rgb = read_png(driver.find_element(By.ID, 'canvas').screenshot_as_png)
    columns = [(i // 3) % width for i in range(0, len(rgb), 3) if sum(rgb[i:i + 3]) > 60]
    centre = sum(columns) / len(columns) / width
    driver.set_window_size(800, 600)
    assert 0.4 < centre < 0.6, f'the scene is drawn at {centre:.2f} of the canvas width'


def check_frames(driver, url):
    worst = 1.0
    for shape, commands in (('torus', []), ('sphere', ['change-shape@0']),
                            ('cylinder', ['change-shape@0', 'change-shape@0'])):
        for frames in (1, 40, 120):
            options = ['--size', '320x240', '--frames', str(frames), '--step-ms', '33']
            for command in commands:
                options += ['--command', command]
            native = subprocess.run([SNAPSHOT, '--assets', ASSETS, *options, '--out', '-'],
                                    check=True, capture_output=True).stdout
            query = '&'.join(o[2:] + '=' if o.startswith('--') else o + '&' for o in options)
            driver.get(url + '?' + query.replace('=&', '=').rstrip('&'))
            wait(driver, "return document.body.dataset.scripted === 'done'", 'the scripted frame')
            width, height, web = canvas_rgb(driver)
            assert (width, height) == (320, 240), (width, height)
            share = within(web, read_png(native)[2])
            print(f'  {shape} frame {frames}: {share * 100:.2f} % of pixels within {LEVELS} levels', flush=True)
            worst = min(worst, share)
    assert worst >= SHARE, f'worst {worst * 100:.2f} % below {SHARE * 100} %'


def check_keys_and_menu(driver, url):
    driver.get(url)
    wait(driver, r"return /fps/.test(document.title)", 'the first frame rate')
    pause = driver.find_element(By.XPATH, "//button[.//span[text()='Pause']]")
    driver.find_element(By.XPATH, "//button[.//span[text()='File']]").click()
    pause.click()
    wait(driver, "return arguments[0].getAttribute('aria-checked') === 'true'",
         'the check mark of Pause', pause)
    time.sleep(0.5)
    before = shown_canvas(driver)
    assert shown_canvas(driver) == before, 'the paused frame still changes'
    driver.find_element(By.ID, 'canvas').send_keys(Keys.F1)
    time.sleep(0.5)
    assert shown_canvas(driver) != before, 'F1 did not change the shape'
    for key in ('F2', 'F3', 'F5', 'F6', 'F7', 'F9', 'F10', 'F11', 'SPACE', 'PAUSE'):
        driver.find_element(By.ID, 'canvas').send_keys(getattr(Keys, key))
    seen = driver.execute_script('return [...window.corvaneKeysSeen]')
    print('  keys that reached the page: ' + ' '.join(sorted(seen)))
    driver.find_element(By.ID, 'canvas').send_keys(Keys.ESCAPE)
    wait(driver, "return !document.getElementById('ended').hidden && "
         "document.getElementById('exit-code').textContent === '0'", 'the end with exit code 0')


def check_own_picture(driver, url):
    driver.get(url)
    folder = tempfile.mkdtemp(dir=SCRATCH.name)
    with open(os.path.join(folder, 'wood.bmp'), 'wb') as bad:
        bad.write(b'not a picture at all')
    chooser = driver.find_element(By.ID, 'picture-files')
    driver.execute_script('arguments[0].style.display = "inline"', chooser)
    chooser.send_keys(os.path.join(folder, 'wood.bmp'))
    wait(driver, "return /Kept wood.bmp/.test(document.getElementById('picture-note').textContent)",
         'the picture kept')
    driver.get(url)
    text = box_text(driver)
    assert text.endswith('Invalid file format.'), text
    driver.find_element(By.ID, 'box-ok').click()
    driver.find_element(By.ID, 'shipped').click()
    wait(driver, "return /shipped/.test(document.getElementById('picture-note').textContent)",
         'the shipped pictures')
    driver.get(url)
    wait(driver, r"return /fps/.test(document.title)", 'a start without a box')


def check_without_webgl2(url):
    driver = browser('--disable-webgl2')
    try:
        driver.get(url)
        text = box_text(driver)
        assert text.startswith('Failed to set pixel format.'), text
        driver.find_element(By.ID, 'box-ok').click()
        wait(driver, "return document.getElementById('exit-code').textContent === '255'",
             'the end with exit code 255')
    finally:
        driver.quit()


def check_file_url(driver):
    driver.get('file://' + os.path.join(WEB, 'index.html'))
    text = driver.find_element(By.ID, 'notice').text
    assert 'http.server' in text and 'serve' in text, repr(text)


def main():
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass
    handler = functools.partial(Quiet, directory=WEB)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f'http://127.0.0.1:{server.server_address[1]}/'
    driver = browser()
    checks = {
        'title': lambda: check_title(driver, url),
        'resize': lambda: check_resize(driver, url),
        'frames': lambda: check_frames(driver, url),
        'keys-menu-exit': lambda: check_keys_and_menu(driver, url),
        'own-picture': lambda: check_own_picture(driver, url),
        'no-webgl2': lambda: check_without_webgl2(url),
        'file-url': lambda: check_file_url(driver),
    }
    failed = []
    try:
        for name, check in checks.items():
            if WANTED and name not in WANTED:
                continue
            started = time.time()
            try:
                check()
                print(f'ok   {name} ({time.time() - started:.1f} s)')
            except Exception as error:  # one failed check does not hide the others
                failed.append(name)
                print(f'FAIL {name}: {error}')
    finally:
        driver.quit()
        server.shutdown()
    sys.exit(1 if failed else 0)


if __name__ == '__main__':
    main()
