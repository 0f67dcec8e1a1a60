// advplay's page: loads the synthesiser, the font and the demo, then plays the game the player picks
// (a folder, or one dropped on the page), or the demo. The address may name scripted input and more
// arguments for tests: ?input=FILE&args=JSON-array.
(function () {
  'use strict';
  const params = new URLSearchParams(location.search);
  const status = document.getElementById('status');
  const canvas = document.getElementById('canvas');
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

  // ---- Games the player brings --------------------------------------------------------------------
  function writeFiles(FS, root, files) {
    for (const { path, data } of files) {
      const parts = path.split('/').filter((part) => part.length > 0);
      let folder = root;
      for (const part of parts.slice(0, -1)) {
        folder += '/' + part;
        try { FS.mkdir(folder); } catch (e) { /* there already */ }
      }
      FS.writeFile(folder + '/' + parts[parts.length - 1], data);
    }
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

  // ---- What outlives the page: the settings file and the record of read text ------------------------
  // HOME lies in the browser's IndexedDB, read back before the game starts and written out every few
  // seconds and when the page goes.
  let module = null;
  function keepHome(instance) {
    module = instance;
    const FS = instance.FS;
    FS.mkdir('/persist');
    FS.mount(FS.filesystems.IDBFS, {}, '/persist');
    instance.ENV.HOME = '/persist';
    // One finger is the left button (below): SDL's own mouse from touches would press it twice.
    instance.ENV.SDL_TOUCH_MOUSE_EVENTS = '0';
    instance.addRunDependency('home');
    FS.syncfs(true, () => instance.removeRunDependency('home'));
    setInterval(persist, 5000);
    addEventListener('pagehide', persist);
  }
  function persist() {
    if (module) module.FS.syncfs(false, () => {});
  }

  // ---- Touch: a tap is a left click, a tap of two fingers a right click --------------------------------
  function touchAsMouse() {
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

  // ---- Start ----------------------------------------------------------------------------------------
  let instance = null;
  let running = false;

  function play(folder) {
    if (running) {
      // One game a page: the engine runs to its end; another game needs the page again.
      location.search = '?game=' + encodeURIComponent(folder);
      return;
    }
    running = true;
    say('Playing ' + folder.replace('/games/', ''));
    canvas.focus();
    let args = [];
    if (params.get('args')) args = JSON.parse(params.get('args'));
    if (params.get('input')) args = ['--input', '/run/input.txt'].concat(args);
    window.advplayExit = undefined;
    // The game's waits give the browser its turn, so this returns at the first one; onExit says
    // when the game has ended.
    instance.callMain(args.concat([folder]));
  }

  async function main() {
    say('Loading the synthesiser…');
    let midi = null;
    try {
      midi = await startSynthesizer();
    } catch (error) {
      console.error('advplay: the music is silent: ' + error.message);
    }
    say('Loading the game…');
    window.advplayModule = {
      canvas,
      advplayMidi: midi,
      noInitialRun: true,
      print: (text) => console.log(text),
      printErr: (text) => console.error(text),
      onExit: (code) => {
        window.advplayExit = code;
        say('The game has ended.');
        persist();
      },
      preRun: [keepHome],
    };
    await load('fonts.js');
    await load('demo.js');
    await load('advplay-page.js');
    instance = await createAdvplay(window.advplayModule);
    instance.FS.mkdir('/run');
    if (params.get('input')) {
      const text = await (await fetch(params.get('input'))).text();
      instance.FS.writeFile('/run/input.txt', text);
    }
    window.advplayInstance = instance;
    say('Pick a game folder, or play the demo.');
    document.getElementById('demo').onclick = () => play('/games/demo');
    document.getElementById('folder').onchange = async (event) => {
      const list = Array.from(event.target.files);
      if (list.length === 0) return;
      const name = (list[0].webkitRelativePath || 'game').split('/')[0];
      writeFiles(instance.FS, ensureFolder(instance.FS, '/games/' + name), await filesOfInput(list));
      play('/games/' + name);
    };
    document.getElementById('fullscreen').onclick = () => canvas.requestFullscreen();
    touchAsMouse();
    addEventListener('dragover', (event) => { event.preventDefault(); document.body.classList.add('dragging'); });
    addEventListener('dragleave', () => document.body.classList.remove('dragging'));
    addEventListener('drop', async (event) => {
      event.preventDefault();
      document.body.classList.remove('dragging');
      const item = event.dataTransfer.items[0];
      const entry = item && item.webkitGetAsEntry && item.webkitGetAsEntry();
      if (!entry || !entry.isDirectory) {
        say('Drop a game folder on the page.');
        return;
      }
      const files = [];
      await filesOfEntry(entry, '', files);
      writeFiles(instance.FS, ensureFolder(instance.FS, '/games/' + entry.name), files);
      play('/games/' + entry.name);
    });
    if (params.get('autostart') !== null || params.get('input')) play(params.get('game') || '/games/demo');
  }

  function ensureFolder(FS, path) {
    try { FS.mkdir(path); } catch (e) { /* there already */ }
    return path;
  }

  main().catch((error) => { say('advplay cannot start: ' + error.message); console.error(error); });
})();
