// What the browser test and the browser benchmark share: a static server of
// their own for a folder (python3 -m http.server on loopback), Debian's
// chromium started headless through puppeteer-core, and the page's pixels
// read back through the browser's own PNG decoder.
"use strict";
const { spawn } = require("child_process");
const fs = require("fs");
const net = require("net");
const os = require("os");
const path = require("path");
const puppeteer = require("puppeteer-core");

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.listen(0, "127.0.0.1", () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
    server.on("error", reject);
  });
}

// Serves `folder` on 127.0.0.1 until stop(); resolves once it answers.
async function serve(folder) {
  const port = await freePort();
  const child = spawn("/usr/bin/python3", ["-m", "http.server", String(port), "--bind", "127.0.0.1"],
                      { cwd: folder, stdio: "ignore" });
  const url = `http://127.0.0.1:${port}/`;
  for (let i = 0; i < 100; ++i) {
    try {
      const r = await fetch(url);
      if (r.ok) return { url, stop: () => child.kill("SIGTERM") };
    } catch (e) { /* not listening yet */ }
    await new Promise((r) => setTimeout(r, 100));
  }
  child.kill("SIGTERM");
  throw new Error("the static server did not start");
}

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "kaziro-chromium-"));
  const browser = await puppeteer.launch({
    executablePath: process.env.KAZIRO_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--autoplay-policy=user-gesture-required", `--user-data-dir=${profile}`,
           "--window-size=1000,900"],
    defaultViewport: { width: 1000, height: 900 },
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { browser, close };
}

// Every console line of a page, kept in order.
function recordConsole(page) {
  const lines = [];
  page.on("console", (m) => lines.push(m.text()));
  page.on("pageerror", (e) => lines.push("pageerror: " + e.message));
  return lines;
}

// The canvas as it is shown: a screenshot of it, decoded by the page into
// { width, height, rgba } (the canvas's own 800 x 600 pixels).
async function canvasPixels(page) {
  const canvas = await page.$("canvas");
  const png = await canvas.screenshot({ encoding: "base64" });
  return page.evaluate(async (data) => {
    const image = new Image();
    image.src = "data:image/png;base64," + data;
    await image.decode();
    const c = document.createElement("canvas");
    c.width = image.width;
    c.height = image.height;
    const g = c.getContext("2d");
    g.drawImage(image, 0, 0);
    return { width: c.width, height: c.height,
             rgba: Array.from(g.getImageData(0, 0, c.width, c.height).data) };
  }, png);
}

async function waitFor(what, test, timeoutMs) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const value = await test();
    if (value) return value;
    if (Date.now() > end) throw new Error("timed out waiting for " + what);
    await new Promise((r) => setTimeout(r, 100));
  }
}

module.exports = { serve, launch, recordConsole, canvasPixels, waitFor };
