// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Times a report page in Debian's headless Chromium, for bench/: prints the milliseconds from the start of
// the page's loading to the end of the map's first full drawing, and the slowest of ten zoom steps from
// the wheel event to the end of the redrawing. Every drawing is made to happen at once ('#timing'), so the
// times include the painting, not only the script.  node timing.mjs PAGE.html
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'ybblock-timing-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: process.env.YB_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  viewport: { width: 1500, height: 1100 },
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
  const page = await browser.newPage();
  await page.goto(`file://${path.resolve(process.argv[2])}#timing`, { timeout: 60000 });
  await page.waitForFunction(() => window.ybReport && window.ybReport.firstDrawAt > 0, null, { timeout: 60000 });
  const first = await page.evaluate(() => window.ybReport.firstDrawAt);
  const zoom = await page.evaluate(async () => {
    const report = window.ybReport, canvas = document.getElementById('map'), box = canvas.getBoundingClientRect();
    let slowest = 0;
    for (let step = 0; step < 10; step++) {
      const before = report.draws, started = performance.now();
      canvas.dispatchEvent(new WheelEvent('wheel', { deltaY: step < 5 ? -240 : 240, clientX: box.left + box.width / 2,
        clientY: box.top + box.height / 2, bubbles: true, cancelable: true }));
      await new Promise((done) => { const wait = () => (report.draws > before ? done() : requestAnimationFrame(wait)); wait(); });
      slowest = Math.max(slowest, performance.now() - started);
    }
    return slowest;
  });
  console.log(`${first.toFixed(1)} ${zoom.toFixed(1)}`);
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
