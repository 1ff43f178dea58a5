// The browser game's figures, measured in Debian's chromium, headless:
//  - the bytes a first visit downloads, each file gzipped as a server would
//    send it (level 6), and as they are;
//  - the time from navigation to the first frame of the board;
//  - steps per second over a minute of play: a replay of a minute's game the
//    desktop recorded, played at normal speed, from its first frame to the
//    desktop's closing line.
//
//   node bench/web/bench_page.js PAGE_FOLDER REPLAY_FILE [RUNS]
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const zlib = require("zlib");
const { serve, launch, waitFor } = require("../../tests/web/browser.js");

const [pageFolder, replayFile, runsText] = process.argv.slice(2);
const runs = Number(runsText || 3);
const steps = (bytes) => {
  // The replay's closing record: "KZEN", the number of steps, the checksum.
  const end = bytes.length - 12;
  return bytes.toString("latin1", end, end + 4) === "KZEN" ? bytes.readUInt32LE(end + 4) : 0;
};
const median = (xs) => xs.slice().sort((a, b) => a - b)[Math.floor(xs.length / 2)];

async function main() {
  const site = fs.mkdtempSync(path.join(os.tmpdir(), "kaziro-bench-"));
  for (const f of ["index.html", "kaziro-page.js", "kaziro.js", "kaziro.wasm", "kaziro.data"]) {
    fs.symlinkSync(path.resolve(pageFolder, f), path.join(site, f));
  }
  fs.copyFileSync(replayFile, path.join(site, "minute.kzr"));
  const replaySteps = steps(fs.readFileSync(replayFile));
  const server = await serve(site);
  const firstFrames = [];
  let gzipped = 0, raw = 0;
  const files = [];
  try {
    for (let run = 0; run < runs; ++run) {
      const { browser, close } = await launch();  // a fresh profile: a first visit
      try {
        const page = await browser.newPage();
        const bodies = [];
        page.on("response", (r) => bodies.push(r.buffer().then((b) => [r.url(), b]).catch(() => null)));
        await page.goto(server.url + "index.html");
        const ms = await waitFor("the first frame", () => page.evaluate(() => KaziroPage.state.firstFrameMs), 60000);
        firstFrames.push(ms);
        if (run === 0) {
          for (const entry of await Promise.all(bodies)) {
            if (!entry) continue;
            const [url, body] = entry;
            const g = zlib.gzipSync(body, { level: 6 }).length;
            files.push(`${path.basename(new URL(url).pathname) || "/"} ${body.length} -> ${g}`);
            raw += body.length;
            gzipped += g;
          }
        }
      } finally {
        await close();
      }
    }
    console.log(`first visit: ${gzipped} bytes gzipped (${(gzipped / 1048576).toFixed(2)} MiB), ${raw} as they are`);
    for (const f of files) console.log("  " + f);
    console.log(`navigation to the first frame of the board: median ${median(firstFrames).toFixed(0)} ms ` +
                `over ${runs} first visits (${firstFrames.map((x) => x.toFixed(0)).join(", ")})`);

    // A minute of play: the desktop's replay at normal speed.
    const { browser, close } = await launch();
    try {
      const page = await browser.newPage();
      const ended = new Promise((resolve) => page.on("console", (m) => {
        if (/played all \d+ steps/.test(m.text())) resolve(m.text());
      }));
      await page.goto(server.url + "index.html?replay=minute.kzr");
      await waitFor("the first frame", () => page.evaluate(() => KaziroPage.state.firstFrameMs), 60000);
      // The stalls of over a second between two frames, which the game's clock leaves out.
      let leftOutMs = 0;
      const watch = setInterval(() => page.evaluate(() => KaziroPage.module() && KaziroPage.module().leftOutMs)
        .then((v) => { if (v) leftOutMs = v; }, () => {}), 500);
      const line = await Promise.race([ended, new Promise((r) => setTimeout(() => r(null), 240000))]);
      clearInterval(watch);
      const endMs = await page.evaluate(() => performance.now());
      const startMs = await page.evaluate(() => KaziroPage.state.firstFrameMs);
      const leftOut = leftOutMs / 1000;
      if (!line) throw new Error("the replay did not end");
      const seconds = (endMs - startMs) / 1000;
      console.log(`a minute of play: ${replaySteps} steps in ${seconds.toFixed(2)} s: ` +
                  `${(replaySteps / seconds).toFixed(2)} steps/s; ${(replaySteps / (seconds - leftOut)).toFixed(2)} ` +
                  `steps/s of the game's clock (${leftOut.toFixed(2)} s of stalls left out) (${line})`);
    } finally {
      await close();
    }
  } finally {
    server.stop();
    fs.rmSync(site, { recursive: true, force: true });
  }
}

main().catch((e) => {
  console.error("kaziro: browser benchmark: " + (e && e.stack || e));
  process.exit(1);
});
