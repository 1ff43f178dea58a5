// The page around the game: starts the program (kaziro.js, made by emscripten
// with MODULARIZE) with its arguments, its language and the player's folders
// kept in IndexedDB, plays a replay given as ?replay=URL or dropped on the
// page, and shows how the program ended. Everything the program writes to
// standard output and error goes to the browser's console, line by line.
"use strict";

const KaziroPage = (() => {
  const note = document.getElementById("note");
  const field = document.getElementById("field");
  const params = new URLSearchParams(location.search);
  // The page's own state, read by the browser tests.
  const state = { lines: [], exitStatus: null, running: false, starts: 0, filesSaved: 0,
                  firstFrameMs: null };
  let game = null;
  let nextReplay = null;  // bytes of a dropped replay, played once the running game has ended

  // The browser's language as a locale name: "en-US" becomes "en_US.UTF-8".
  function localeName() {
    const language = (navigator.languages && navigator.languages[0]) || navigator.language || "ja";
    return language.replace("-", "_") + ".UTF-8";
  }

  // The player's folders: IndexedDB through the file system, loaded before
  // main starts, written out whenever the program has changed a file.
  function mountFolders(module) {
    const FS = module.FS;
    FS.mkdir("/kaziro");
    FS.mount(FS.filesystems.IDBFS, {}, "/kaziro");
    module.ENV.XDG_DATA_HOME = "/kaziro/data";
    module.ENV.XDG_CONFIG_HOME = "/kaziro/config";
    module.addRunDependency("kaziro-folders");
    FS.syncfs(true, (error) => {
      if (error) console.error("kaziro: files: cannot read the saved files: " + error);
      module.removeRunDependency("kaziro-folders");
    });
    let saving = false, again = false;
    const save = () => {
      saving = true;
      FS.syncfs(false, (error) => {
        if (error) console.error("kaziro: files: cannot save: " + error);
        else state.filesSaved++;
        saving = false;
        if (again) { again = false; save(); }
      });
    };
    module.onFilesChanged = () => { if (saving) again = true; else save(); };
  }

  function freshCanvas() {
    const old = document.getElementById("canvas");
    const canvas = old.cloneNode(false);
    canvas.addEventListener("contextmenu", (e) => e.preventDefault());  // the right button turns the paddle
    old.replaceWith(canvas);
    return canvas;
  }

  function line(text, isError) {
    state.lines.push(text);
    (isError ? console.error : console.log)(text);
  }

  function launch(args, replayBytes) {
    const canvas = freshCanvas();
    state.running = true;
    state.exitStatus = null;
    state.firstFrameMs = null;
    state.starts++;
    note.textContent = "Starting…";
    createKaziro({
      canvas,
      arguments: args,
      onFirstFrame: () => {
        if (state.firstFrameMs === null) state.firstFrameMs = performance.now();
        note.textContent = replayBytes ? "Playing the replay (F: four times as fast)."
                                       : "Click the field or press a key to start the sound.";
      },
      print: (text) => line(text, false),
      printErr: (text) => line(text, true),
      preRun: [(module) => {
        module.ENV.LANG = localeName();
        mountFolders(module);
        if (replayBytes) module.FS.writeFile("/replay.kzr", replayBytes);
      }],
      onExit: (status) => {
        state.running = false;
        state.exitMs = performance.now();
        state.exitStatus = status;
        game = null;
        if (nextReplay) {
          const bytes = nextReplay;
          nextReplay = null;
          // Once the ended program has unwound whole.
          setTimeout(() => launch(["--replay", "/replay.kzr"], bytes), 0);
          return;
        }
        note.textContent = "The game ended (status " + status + "). ";
        const again = document.createElement("button");
        again.textContent = "Play again";
        again.onclick = () => launch(baseArgs(), null);
        note.appendChild(again);
      },
    }).then((module) => { game = module; });
  }

  // Options from the address: ?args=--players%202 (for tests and demonstrations).
  function baseArgs() {
    const extra = params.get("args");
    return extra ? extra.split(/\s+/).filter((a) => a) : [];
  }

  function playReplay(bytes) {
    if (state.running && game) {
      nextReplay = bytes;
      game._kaziro_page_quit();  // its end starts the replay
    } else {
      launch(["--replay", "/replay.kzr"], bytes);
    }
  }

  function start() {
    field.addEventListener("dragover", (e) => { e.preventDefault(); field.classList.add("dragging"); });
    field.addEventListener("dragleave", () => field.classList.remove("dragging"));
    field.addEventListener("drop", (e) => {
      e.preventDefault();
      field.classList.remove("dragging");
      const file = e.dataTransfer.files[0];
      if (file) file.arrayBuffer().then((b) => playReplay(new Uint8Array(b)));
    });
    const replay = params.get("replay");
    if (!replay) {
      launch(baseArgs(), null);
      return;
    }
    note.textContent = "Fetching the replay…";
    fetch(replay)
      .then((r) => { if (!r.ok) throw new Error("HTTP " + r.status); return r.arrayBuffer(); })
      .then((b) => launch(baseArgs().concat(["--replay", "/replay.kzr"]), new Uint8Array(b)))
      .catch((error) => {
        line("kaziro: replay: " + replay + ": " + error.message, true);
        note.textContent = "The replay could not be fetched: " + error.message;
      });
  }

  return { start, playReplay, state, module: () => game };
})();
