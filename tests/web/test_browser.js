// The browser game in Debian's chromium, headless: the board is drawn, the
// paddle is under the pointer after a move, the sound starts at the first
// click, the settings and the best scores survive a reload (IndexedDB), a
// replay the desktop recorded plays to its end with the desktop's line on the
// console (given by address and dropped on the page), and two-machine play
// says it is not in the browser yet.
//
//   node test_browser.js PAGE_FOLDER REPLAY_FILE
//
// Prints one line per check and "N passed, N failed"; exits 1 on a failure.
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const { serve, launch, recordConsole, canvasPixels, waitFor } = require("./browser.js");

const [pageFolder, replayFile] = process.argv.slice(2);
if (!pageFolder || !replayFile) {
  console.error("usage: node test_browser.js PAGE_FOLDER REPLAY_FILE");
  process.exit(2);
}
let passed = 0, failed = 0;
function check(name, ok, detail) {
  if (ok) passed++; else failed++;
  console.log(`${ok ? "ok  " : "FAIL"} ${name}${detail ? ": " + detail : ""}`);
}

// The paddle's orange (Okabe-Ito, lit and shaded) within `radius` of a field point.
function orangeNear(pixels, x, y, radius) {
  let count = 0;
  for (let py = Math.max(0, y - radius); py < Math.min(pixels.height, y + radius); ++py) {
    for (let px = Math.max(0, x - radius); px < Math.min(pixels.width, x + radius); ++px) {
      const i = 4 * (py * pixels.width + px);
      const [r, g, b] = [pixels.rgba[i], pixels.rgba[i + 1], pixels.rgba[i + 2]];
      if (r > 180 && g > 60 && g < 190 && b < 90 && r - g > 50) ++count;
    }
  }
  return count;
}

function distinctColours(pixels) {
  const seen = new Set();
  for (let i = 0; i < pixels.rgba.length; i += 4 * 7) {
    seen.add((pixels.rgba[i] << 16) | (pixels.rgba[i + 1] << 8) | pixels.rgba[i + 2]);
  }
  return seen.size;
}

// The game's own files, read through the running program's file system.
function readGameFile(page, file) {
  return page.evaluate((f) => {
    const m = KaziroPage.module();
    try { return m ? m.FS.readFile(f, { encoding: "utf8" }) : null; } catch (e) { return null; }
  }, file);
}

async function main() {
  // The page's files and the replay, served from one folder of links.
  const site = fs.mkdtempSync(path.join(os.tmpdir(), "kaziro-site-"));
  for (const f of ["index.html", "kaziro-page.js", "kaziro.js", "kaziro.wasm", "kaziro.data"]) {
    fs.symlinkSync(path.resolve(pageFolder, f), path.join(site, f));
  }
  fs.copyFileSync(replayFile, path.join(site, "replay.kzr"));
  const server = await serve(site);
  const { browser, close } = await launch();
  try {
    const page = await browser.newPage();
    const lines = recordConsole(page);
    const started = (p) => waitFor("the game to start", () => p.evaluate(
      () => typeof KaziroPage === "object" && KaziroPage.module() !== null), 30000);

    // The board, and the paddle following the pointer.
    await page.goto(server.url + "index.html");
    await started(page);
    await waitFor("the first frame", async () => distinctColours(await canvasPixels(page)) > 8, 20000);
    const board = await canvasPixels(page);
    check("the board is drawn", board.width === 800 && board.height === 600 && distinctColours(board) > 8,
          `${board.width} x ${board.height}, ${distinctColours(board)} colours`);
    const box = await (await page.$("canvas")).boundingBox();
    const spots = [[300, 200], [560, 430]];
    for (const [x, y] of spots) {
      await page.mouse.move(box.x + x, box.y + y);
      await new Promise((r) => setTimeout(r, 300));
      const after = await canvasPixels(page);
      const here = orangeNear(after, x, y, 30);
      const elsewhere = spots.filter(([sx]) => sx !== x).map(([sx, sy]) => orangeNear(after, sx, sy, 30))[0];
      check(`the paddle is under the pointer at (${x}, ${y})`, here > 200 && elsewhere < 20,
            `${here} orange pixels there, ${elsewhere} at the other spot`);
    }

    // The sound starts at the first click, as browsers require.
    const audio = () => page.evaluate(() => {
      const m = KaziroPage.module();
      return m.SDL2 && m.SDL2.audioContext ? m.SDL2.audioContext.state : "none";
    });
    // Headless chromium may let the context run without a gesture: it is
    // suspended here as a browser that requires one keeps it.
    await page.evaluate(() => KaziroPage.module().SDL2.audioContext.suspend());
    const before = await waitFor("the sound to be suspended", async () =>
      (await audio()) === "suspended" && "suspended", 5000).catch(() => audio());
    await page.mouse.click(box.x + 400, box.y + 300);
    const after = await waitFor("the sound to start", async () => (await audio()) === "running" && "running", 5000)
      .catch(() => audio());
    check("the sound starts at the first click", before === "suspended" && after === "running",
          `${before} before, ${after} after`);

    // M mutes; the setting is kept in IndexedDB and read again after a reload.
    const settings = "/kaziro/config/kaziro/settings";
    const savedBefore = await page.evaluate(() => KaziroPage.state.filesSaved);
    await page.keyboard.press("m");
    await waitFor("the settings to be saved", async () =>
      /^muted 1$/m.test((await readGameFile(page, settings)) || "") &&
      (await page.evaluate(() => KaziroPage.state.filesSaved)) > savedBefore, 10000);
    await page.reload();
    await started(page);
    const kept = (await readGameFile(page, settings)) || "";
    check("the settings survive a reload", /^muted 1$/m.test(kept), JSON.stringify(kept));

    // A replay recorded by the desktop, given by address: the desktop's line.
    lines.length = 0;
    await page.goto(server.url + "index.html?replay=replay.kzr");
    const status = await waitFor("the replay to end", () => page.evaluate(
      () => KaziroPage.state.exitStatus !== null && { status: KaziroPage.state.exitStatus }), 120000)
      .then((r) => r.status, () => null);
    const played = lines.find((l) => /played all \d+ steps/.test(l));
    check("a desktop replay plays to its end", status === 0 && played !== undefined,
          played || `status ${status}; ${lines.slice(-3).join(" | ")}`);

    // The same replay dropped on the page while a game runs: it ends and the replay plays.
    lines.length = 0;
    await page.goto(server.url + "index.html");
    await started(page);
    const bytes = Array.from(fs.readFileSync(replayFile));
    await page.evaluate((b) => {
      const data = new DataTransfer();
      data.items.add(new File([new Uint8Array(b)], "dropped.kzr"));
      document.getElementById("field").dispatchEvent(
        new DragEvent("drop", { dataTransfer: data, bubbles: true, cancelable: true }));
    }, bytes);
    await waitFor("the dropped replay to end", () => page.evaluate(
      () => KaziroPage.state.starts === 2 && KaziroPage.state.exitStatus === 0), 120000).catch(() => null);
    const droppedLine = lines.find((l) => /played all \d+ steps/.test(l));
    check("a dropped replay plays to its end", droppedLine !== undefined, droppedLine ||
          JSON.stringify(await page.evaluate(() => KaziroPage.state)) + " " + lines.slice(-3).join(" | "));

    // Two machines: said plainly.
    lines.length = 0;
    await page.goto(server.url + "index.html?args=--host");
    const hostStatus = await waitFor("--host to end", () => page.evaluate(
      () => KaziroPage.state.exitStatus !== null && { status: KaziroPage.state.exitStatus }), 30000)
      .then((r) => r.status, () => null);
    const said = lines.find((l) => /two-machine play is not in the browser yet/.test(l));
    check("--host says two-machine play is not in the browser yet", hostStatus === 1 && said !== undefined,
          said || `status ${hostStatus}`);

    // The computer plays a round; its best score is kept across a reload.
    await page.goto(server.url + "index.html?args=--autopilot%203");
    await started(page);
    const scores = "/kaziro/data/kaziro/scores";
    const best = await waitFor("a round's score", () => readGameFile(page, scores), 120000).catch(() => null);
    await new Promise((r) => setTimeout(r, 1000));  // the page writes it out
    await page.goto(server.url + "index.html");
    await started(page);
    const bestAfter = await readGameFile(page, scores);
    check("the best scores survive a reload", best !== null && bestAfter === best, JSON.stringify(bestAfter));
  } finally {
    await close();
    server.stop();
    fs.rmSync(site, { recursive: true, force: true });
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((e) => {
  console.error("kaziro: browser test: " + (e && e.stack || e));
  process.exit(1);
});
