// Plays the page in headless Chromium with scripted input and copies what the run wrote in the
// page's file system (its screenshots) out to a folder; prints how loud the music got.
// Usage: node run_page.cjs URL OUT_DIR [PAGE_FOLDER...]
'use strict';
const { mkdirSync, writeFileSync } = require('node:fs');
const { launch, filesIn } = require('./page_files.cjs');

(async () => {

const [url, out, ...folders] = process.argv.slice(2);
const browser = await launch();
const page = await browser.newPage({ viewport: { width: 800, height: 600 } });
const log = [];
page.on('console', (message) => log.push(message.text()));
page.on('pageerror', (error) => log.push('page error: ' + error.message));
const started = Date.now();
await page.goto(url);
await page.waitForFunction(() => window.advplayInstance !== undefined, null, { timeout: 120000 });
const ready = Date.now() - started;
try {
  await page.waitForFunction(() => window.advplayExit !== undefined, null,
    { timeout: Number(process.env.PAGE_TIMEOUT || 300000), polling: 200 });
} catch (error) {
  console.error('the game did not end: ' + error.message + '\n' + log.join('\n'));
  process.exit(1);
}
const result = { files: {}, ...(await page.evaluate(() => ({ exit: window.advplayExit, peak: window.advplayPeak || 0 }))) };
for (const folder of folders)
  for (const [path, data] of Object.entries(await filesIn(page, folder))) result.files[folder + '/' + path] = data;
mkdirSync(out, { recursive: true });
for (const [path, data] of Object.entries(result.files))
  writeFileSync(out + '/' + path.split('/').pop(), data);
writeFileSync(out + '/console.txt', log.join('\n') + '\n');
console.log(JSON.stringify({ exit: result.exit, peak: result.peak, files: Object.keys(result.files).length,
  ready_ms: ready, total_ms: Date.now() - started }));
await browser.close();
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
