// What the page tests share: the browser they run in, and reading the page's file system.
'use strict';
// playwright-core comes from the web build's npm cache, through NODE_PATH.
const { chromium } = require('playwright-core');

function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
  });
}

// The files under FOLDER in the page's file system, as Buffers by path inside FOLDER; none for a
// folder that is not there.
async function filesIn(page, folder) {
  const encoded = await page.evaluate((folder) => {
    const FS = window.advplayInstance.FS;
    const files = {};
    const walk = (path, inside) => {
      for (const name of FS.readdir(path)) {
        if (name === '.' || name === '..') continue;
        const full = path + '/' + name;
        const relative = inside ? inside + '/' + name : name;
        if (FS.isDir(FS.stat(full).mode)) { walk(full, relative); continue; }
        const bytes = FS.readFile(full);
        let text = '';
        for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
        files[relative] = btoa(text);
      }
    };
    try { walk(folder, ''); } catch (e) { /* no such folder */ }
    return files;
  }, folder);
  return Object.fromEntries(Object.entries(encoded).map(([path, data]) => [path, Buffer.from(data, 'base64')]));
}

module.exports = { launch, filesIn };
