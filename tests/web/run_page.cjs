// Plays the page in headless Chromium with scripted input and copies what the run wrote in the
// page's file system (its screenshots) out to a folder; prints how loud the music got.
// Usage: node run_page.cjs URL OUT_DIR [PAGE_FOLDER...]
'use strict';
// playwright-core comes from the web build's npm cache, through NODE_PATH.
const { chromium } = require('playwright-core');
const { mkdirSync, writeFileSync } = require('node:fs');

(async () => {

const [url, out, ...folders] = process.argv.slice(2);
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
});
const page = await browser.newPage({ viewport: { width: 800, height: 600 } });
const log = [];
page.on('console', (message) => log.push(message.text()));
page.on('pageerror', (error) => log.push('page error: ' + error.message));
const started = Date.now();
await page.goto(url);
await page.waitForFunction(() => window.advplayInstance !== undefined, null, { timeout: 120000 });
const firstFrame = Date.now() - started;
try {
  await page.waitForFunction(() => window.advplayExit !== undefined, null,
    { timeout: Number(process.env.PAGE_TIMEOUT || 300000), polling: 200 });
} catch (error) {
  console.error('the game did not end: ' + error.message + '\n' + log.join('\n'));
  process.exit(1);
}
const result = await page.evaluate((wanted) => {
  const FS = window.advplayInstance.FS;
  const files = {};
  for (const folder of wanted) {
    for (const name of FS.readdir(folder)) {
      if (name === '.' || name === '..') continue;
      const bytes = FS.readFile(folder + '/' + name);
      let text = '';
      for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
      files[folder + '/' + name] = btoa(text);
    }
  }
  return { files, exit: window.advplayExit, peak: window.advplayPeak || 0 };
}, folders);
mkdirSync(out, { recursive: true });
for (const [path, data] of Object.entries(result.files))
  writeFileSync(out + '/' + path.split('/').pop(), Buffer.from(data, 'base64'));
writeFileSync(out + '/console.txt', log.join('\n') + '\n');
console.log(JSON.stringify({ exit: result.exit, peak: result.peak, files: Object.keys(result.files).length,
  ready_ms: firstFrame, total_ms: Date.now() - started }));
await browser.close();
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
