// advplay's page: loads the synthesiser, the font and the demo, then plays the game the player picks
// (a folder or a .zip, chosen or dropped on the page), or the demo. What the games write (their
// saves), the settings file and the record of read text are kept in the browser's IndexedDB, and can
// be downloaded and restored as one zip.
// The demo starts by itself unless the address says ?pick; a game chosen while another plays ends
// that one first. The address may ask for more, for tests: ?input=FILE gives the engine scripted
// input, ?args=JSON-array more arguments, ?listen measures the music.
(function () {
  'use strict';
  const params = new URLSearchParams(location.search);
  const status = document.getElementById('status');
  const say = (text) => { status.textContent = text; };

  function load(src) {
    return new Promise((resolve, reject) => {
      const script = document.createElement('script');
      script.src = src;
      script.onload = resolve;
      script.onerror = () => reject(new Error('cannot load ' + src));
      document.body.appendChild(script);
    });
  }

  // ---- Music: FluidSynth for the web, fed the MIDI messages the engine's sequencer makes ----------
  async function startSynthesizer() {
    await load('libfluidsynth-2.4.6.js');
    // The synthesiser's own module; the game's is modular and never takes this global name.
    const fluid = window.Module;
    await load('js-synthesizer.min.js');
    JSSynth.Synthesizer.initializeWithFluidSynthModule(fluid);
    await JSSynth.waitForReady();
    const context = new AudioContext();
    const synth = new JSSynth.Synthesizer();
    synth.init(context.sampleRate);
    const node = synth.createAudioNode(context, 2048);
    node.connect(context.destination);
    const soundfont = await (await fetch('TimGM6mb.sf2')).arrayBuffer();
    await synth.loadSFont(soundfont);
    const gain = synth.getGain();
    // Browsers start sound only after the player has done something on the page.
    const resume = () => { if (context.state !== 'running') context.resume(); };
    ['pointerdown', 'keydown', 'touchstart'].forEach((type) => addEventListener(type, resume, true));
    window.advplayAudio = { context, synth, node };
    if (params.get('listen') !== null) {
      // For the tests: the loudest sample the synthesiser has given so far.
      const analyser = context.createAnalyser();
      analyser.fftSize = 2048;
      node.connect(analyser);
      const samples = new Float32Array(analyser.fftSize);
      window.advplayPeak = 0;
      setInterval(() => {
        analyser.getFloatTimeDomainData(samples);
        for (const sample of samples) window.advplayPeak = Math.max(window.advplayPeak, Math.abs(sample));
      }, 50);
    }
    return {
      open: () => true,
      close: () => synth.midiAllSoundsOff(),
      reset: () => {
        for (let channel = 0; channel < 16; ++channel) {
          synth.midiControl(channel, 64, 0);
          synth.midiControl(channel, 123, 0);
        }
      },
      volume: (percent) => synth.setGain(gain * percent / 100),
      long: (bytes) => {
        // FluidSynth takes a system-exclusive message without its F0 and F7.
        let end = bytes.length;
        if (end > 0 && bytes[end - 1] === 0xF7) --end;
        if (bytes.length > 1) synth.midiSysEx(bytes.slice(1, end));
      },
      short: (message) => {
        const status = message & 0xFF, one = (message >> 8) & 0x7F, two = (message >> 16) & 0x7F;
        const channel = status & 0x0F;
        switch (status & 0xF0) {
          case 0x80: synth.midiNoteOff(channel, one); break;
          case 0x90: synth.midiNoteOn(channel, one, two); break;
          case 0xA0: synth.midiKeyPressure(channel, one, two); break;
          case 0xB0: synth.midiControl(channel, one, two); break;
          case 0xC0: synth.midiProgramChange(channel, one); break;
          case 0xD0: synth.midiChannelPressure(channel, one); break;
          case 0xE0: synth.midiPitchBend(channel, one | (two << 7)); break;
        }
      },
    };
  }

  // ---- Games the player brings ---------------------------------------------------------------------
  // The parts of a path inside a game folder: a zip or a folder may name "..", "." or an absolute
  // path, which must not lead out of it.
  function safeParts(path) {
    return path.replace(/\\/g, '/').split('/').filter((part) => part.length > 0 && part !== '.' && part !== '..');
  }

  function writeFiles(FS, root, files) {
    for (const { path, data } of files) {
      const parts = safeParts(path);
      if (parts.length === 0) continue;
      const target = root + '/' + parts.join('/');
      ensureFolders(FS, target);
      FS.writeFile(target, data);
    }
  }

  // Makes the folders that FILE will lie in.
  function ensureFolders(FS, file) {
    const parts = file.split('/').filter((part) => part.length > 0);
    let folder = '';
    for (const part of parts.slice(0, -1)) ensureFolder(FS, (folder += '/' + part));
  }

  function ensureFolder(FS, path) {
    try { FS.mkdir(path); } catch (e) { /* there already */ }
    return path;
  }

  async function filesOfInput(list) {
    const files = [];
    for (const file of list) {
      // "Game/data/start.txt": the folder's own name first.
      const path = (file.webkitRelativePath || file.name).split('/').slice(1).join('/') || file.name;
      files.push({ path, data: new Uint8Array(await file.arrayBuffer()) });
    }
    return files;
  }

  // A dropped folder, walked: PREFIX is the path of ENTRY's folder inside the game folder.
  async function filesOfEntry(entry, prefix, files) {
    if (entry.isFile) {
      const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
      files.push({ path: prefix + entry.name, data: new Uint8Array(await file.arrayBuffer()) });
      return;
    }
    const reader = entry.createReader();
    for (;;) {
      const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
      if (batch.length === 0) break;
      for (const child of batch)
        await filesOfEntry(child, child.isDirectory ? prefix + child.name + '/' : prefix, files);
    }
  }

  // A zip's names are UTF-8 only where the zip says so; the games' zips were made on Japanese
  // Windows, whose names are Shift-JIS (the browser's decoder is code page 932's).
  // The files of a zip, each path made safe (above) and "/"-separated.
  const shiftJis = new TextDecoder('shift_jis');
  function unzip(bytes) {
    const entries = fflate.unzipSync(bytes, { filenameDecoder: (name) => shiftJis.decode(name) });
    return Object.entries(entries).filter(([path]) => !path.endsWith('/'))
      .map(([path, data]) => ({ path: safeParts(path).join('/'), data })).filter((file) => file.path !== '');
  }

  // A game in a zip: the zip of a game folder holds that folder as its one top folder, which names
  // the game; a zip of the folder's contents is named by the zip.
  function gameOfZip(zipName, bytes) {
    let files = unzip(bytes);
    let name = zipName.replace(/\.zip$/i, '');
    const tops = new Set(files.map((file) => file.path.split('/')[0]));
    if (tops.size === 1 && files.every((file) => file.path.includes('/'))) {
      name = [...tops][0];
      files = files.map((file) => ({ path: file.path.slice(name.length + 1), data: file.data }));
    }
    return { name, files };
  }

  // ---- What outlives the page ------------------------------------------------------------------------
  // HOME (the settings file, the record of read text, screenshots) lies in the browser's IndexedDB,
  // read back before a game starts. The game folder itself is in memory: what a game writes there
  // (its saves) is copied to saves/GAME in HOME, and laid over the folder the next time that game
  // is played. Both are written out every few seconds, when the game ends and when the page goes.
  const home = '/persist';
  let engine = null; // { instance, running, used, game: { folder, kept, since } }

  function keepHome(instance) {
    const FS = instance.FS;
    ensureFolder(FS, home);
    FS.mount(FS.filesystems.IDBFS, {}, home);
    instance.ENV.HOME = home;
    // One finger is the left button (below): SDL's own mouse from touches would press it twice.
    instance.ENV.SDL_TOUCH_MOUSE_EVENTS = '0';
    instance.addRunDependency('home');
    FS.syncfs(true, (error) => {
      if (error) console.error('advplay: the saved files cannot be read: ' + error);
      instance.removeRunDependency('home');
    });
  }

  // Calls VISIT(path, relative path) for every file under FOLDER.
  function walk(FS, folder, visit, relative = '') {
    let names;
    try { names = FS.readdir(folder); } catch (e) { return; }
    for (const name of names) {
      if (name === '.' || name === '..') continue;
      const path = folder + '/' + name;
      const inside = relative ? relative + '/' + name : name;
      if (FS.isDir(FS.stat(path).mode)) walk(FS, path, visit, inside);
      else visit(path, inside);
    }
  }

  function sameBytes(a, b) {
    if (a.length !== b.length) return false;
    for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
    return true;
  }

  function layBackSaves(FS, folder, name) {
    const kept = home + '/saves/' + safeParts(name).join('_');
    const files = [];
    walk(FS, kept, (path, inside) => files.push({ path: inside, data: FS.readFile(path) }));
    writeFiles(FS, folder, files);
    // Only what the game writes from now on is its own.
    return { folder, kept, since: Date.now() + 1 };
  }

  function keepSaves() {
    if (!engine || !engine.game) return;
    const FS = engine.instance.FS;
    const { folder, kept, since } = engine.game;
    walk(FS, folder, (path, inside) => {
      if (FS.stat(path).mtime.getTime() < since) return;
      const data = FS.readFile(path);
      let old = null;
      try { old = FS.readFile(kept + '/' + inside); } catch (e) { /* new */ }
      if (old === null || !sameBytes(old, data)) writeFiles(FS, kept, [{ path: inside, data }]);
    });
    // A save the game has removed is gone for good.
    walk(FS, kept, (path, inside) => {
      try { FS.stat(folder + '/' + inside); } catch (e) { FS.unlink(path); }
    });
  }

  function persist() {
    if (!engine) return Promise.resolve();
    keepSaves();
    return new Promise((resolve) => engine.instance.FS.syncfs(false, (error) => {
      if (error) console.error('advplay: the saved files cannot be written: ' + error);
      resolve();
    }));
  }

  // The whole of HOME as one zip, and back.
  function downloadSaves() {
    if (!engine) return;
    keepSaves();
    const FS = engine.instance.FS;
    const files = {};
    walk(FS, home, (path, inside) => { files[inside] = FS.readFile(path); });
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([fflate.zipSync(files)], { type: 'application/zip' }));
    link.download = 'advplay-saves.zip';
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  }

  async function restoreSaves(file) {
    const FS = engine.instance.FS;
    let files;
    try {
      files = unzip(new Uint8Array(await file.arrayBuffer()));
    } catch (error) {
      say('That zip cannot be read: ' + error.message);
      return;
    }
    writeFiles(FS, home, files);
    // The game playing now reads its restored saves at once; the settings apply from its next start.
    if (engine.game) {
      const prefix = engine.game.kept.slice(home.length + 1) + '/';
      writeFiles(FS, engine.game.folder, files.filter((one) => one.path.startsWith(prefix))
        .map((one) => ({ path: one.path.slice(prefix.length), data: one.data })));
      engine.game.since = Date.now() + 1;
    }
    await persist();
    say('Restored ' + files.length + ' saved files.');
  }

  // ---- Touch: a tap is a left click, a tap of two fingers a right click --------------------------------
  function touchAsMouse(canvas) {
    let fingers = 0;
    let at = null;
    const click = (button) => {
      const init = { bubbles: true, cancelable: true, clientX: at.clientX, clientY: at.clientY, button };
      canvas.dispatchEvent(new MouseEvent('mousemove', init));
      canvas.dispatchEvent(new MouseEvent('mousedown', { ...init, buttons: button === 2 ? 2 : 1 }));
      canvas.dispatchEvent(new MouseEvent('mouseup', { ...init, buttons: 0 }));
    };
    canvas.addEventListener('touchstart', (event) => {
      event.preventDefault();
      fingers = Math.max(fingers, event.touches.length);
      at = event.touches[0];
    }, { passive: false });
    canvas.addEventListener('touchend', (event) => {
      event.preventDefault();
      if (event.touches.length > 0) return;
      click(fingers >= 2 ? 2 : 0);
      fingers = 0;
    }, { passive: false });
  }

  // ---- The engine ------------------------------------------------------------------------------------
  // One engine plays one game, to its end; the next game gets an engine (and a canvas) of its own.
  let midi = null;
  let input = null;

  async function newEngine() {
    const old = document.getElementById('canvas');
    const canvas = old.cloneNode(false);
    old.replaceWith(canvas);
    touchAsMouse(canvas);
    const fresh = { instance: null, running: false, used: false, replaced: false, game: null };
    fresh.ended = new Promise((resolve) => { fresh.end = resolve; });
    window.advplayModule = {
      canvas,
      advplayMidi: midi,
      noInitialRun: true,
      print: (text) => console.log(text),
      printErr: (text) => console.error(text),
      onExit: (code) => {
        fresh.running = false;
        if (!fresh.replaced) say('The game has ended.');
        persist().then(() => {
          // For the tests: how the game the player chose ended.
          if (!fresh.replaced) window.advplayExit = code;
          fresh.end();
        });
      },
      preRun: [keepHome],
    };
    // The packages hand their files to the module named above as they load.
    await load('fonts.js');
    await load('demo.js');
    if (typeof createAdvplay === 'undefined') await load('advplay-page.js');
    fresh.instance = await createAdvplay(window.advplayModule);
    ensureFolder(fresh.instance.FS, '/run');
    ensureFolder(fresh.instance.FS, '/games');
    if (input !== null) fresh.instance.FS.writeFile('/run/input.txt', input);
    engine = fresh;
    window.advplayInstance = fresh.instance;
    return fresh;
  }

  // Ends the game playing now as closing its window would; false if it does not end.
  function endGame() {
    if (!engine.running) return Promise.resolve(true);
    engine.replaced = true;
    engine.instance._advplay_close_game();
    const ended = engine.ended.then(() => {
      if (midi) midi.reset();
      return true;
    });
    return Promise.race([ended, new Promise((resolve) => setTimeout(resolve, 5000, false))]);
  }

  let starting = false;
  async function play(name, files) {
    if (starting) return;
    starting = true;
    try {
      if (!(await endGame())) {
        say('The game playing now does not end: reload the page to play another.');
        return;
      }
      if (engine.used) await newEngine();
      start(name, files);
    } finally {
      starting = false;
    }
  }

  function start(name, files) {
    const FS = engine.instance.FS;
    const folder = '/games/' + (safeParts(name).join('_') || 'game');
    if (files) writeFiles(FS, ensureFolder(FS, folder), files);
    engine.game = layBackSaves(FS, folder, name);
    engine.running = engine.used = true;
    say('Playing ' + name);
    document.getElementById('canvas').focus();
    let args = [];
    if (params.get('args')) args = JSON.parse(params.get('args'));
    if (input !== null) args = ['--input', '/run/input.txt'].concat(args);
    window.advplayExit = undefined;
    // The game's waits give the browser its turn, so this returns at the first one; onExit says
    // when the game has ended.
    engine.instance.callMain(args.concat([folder]));
  }

  async function playZip(file) {
    let game;
    try {
      game = gameOfZip(file.name, new Uint8Array(await file.arrayBuffer()));
    } catch (error) {
      say('That zip cannot be read: ' + error.message);
      return;
    }
    await play(game.name, game.files);
  }

  async function main() {
    say('Loading the synthesiser…');
    try {
      midi = await startSynthesizer();
    } catch (error) {
      console.error('advplay: the music is silent: ' + error.message);
    }
    say('Loading the game…');
    if (params.get('input')) input = await (await fetch(params.get('input'))).text();
    await load('fflate.min.js');
    await newEngine();
    setInterval(persist, 5000);
    addEventListener('pagehide', persist);
    say('Pick a game folder or zip, or play the demo.');
    document.getElementById('demo').onclick = () => play('demo');
    document.getElementById('folder').onchange = async (event) => {
      const list = Array.from(event.target.files);
      event.target.value = '';
      if (list.length === 0) return;
      await play((list[0].webkitRelativePath || 'game').split('/')[0], await filesOfInput(list));
    };
    document.getElementById('zip').onchange = async (event) => {
      const file = event.target.files[0];
      event.target.value = '';
      if (file) await playZip(file);
    };
    document.getElementById('download').onclick = downloadSaves;
    document.getElementById('restore').onchange = async (event) => {
      const file = event.target.files[0];
      event.target.value = '';
      if (file) await restoreSaves(file);
    };
    document.getElementById('fullscreen').onclick = () => document.getElementById('canvas').requestFullscreen();
    addEventListener('dragover', (event) => { event.preventDefault(); document.body.classList.add('dragging'); });
    addEventListener('dragleave', () => document.body.classList.remove('dragging'));
    addEventListener('drop', async (event) => {
      event.preventDefault();
      document.body.classList.remove('dragging');
      const item = event.dataTransfer.items[0];
      const entry = item && item.webkitGetAsEntry && item.webkitGetAsEntry();
      const file = event.dataTransfer.files[0];
      if (entry && entry.isDirectory) {
        const files = [];
        await filesOfEntry(entry, '', files);
        await play(entry.name, files);
      } else if (file && /\.zip$/i.test(file.name)) {
        await playZip(file);
      } else {
        say('Drop a game folder or a .zip of one on the page.');
      }
    });
    if (params.get('pick') === null) play('demo');
  }

  main().catch((error) => { say('advplay cannot start: ' + error.message); console.error(error); });
})();
