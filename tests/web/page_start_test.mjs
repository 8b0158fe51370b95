// Every way the page can fail to start ends in a sentence for a teacher over
// the page, never a developer's message and never a blank page; and a page
// opened as a file runs.
//
// node page_start_test.mjs SITE_FOLDER
import {pathToFileURL} from 'node:url';
import {join} from 'node:path';
import {fail, launch, openPage, recordErrors, runToSummit, serve} from './harness.mjs';

const [site] = process.argv.slice(2);
const server = await serve(site);
const withoutModule = await serve(site, {missing: ['zorva.js']});

// Each way to fail, the notice it must show, and the console errors it may
// leave besides.
const FAILURES = [
  {name: 'no WebAssembly', url: server.url, notice: /it has no WebAssembly\. Use a current/,
   prepare: (page) => page.evaluateOnNewDocument(() => {
     delete window.WebAssembly;
   })},
  {name: 'module missing', url: withoutModule.url, notice: /its file zorva\.js is missing/,
   expected: /^console error: Failed to load resource: .*404/},
  {name: 'module refused', url: server.url, notice: /could not start in this browser\. Close/,
   prepare: (page) => page.evaluateOnNewDocument(() => {
     WebAssembly.instantiate = () => Promise.reject(new Error('refused'));
   })},
  {name: 'JavaScript off', url: server.url, notice: /needs JavaScript, which is turned off/,
   prepare: (page) => page.setJavaScriptEnabled(false)},
];

const browser = await launch();
try {
  {
    const {page, errors} = await openPage(
      browser, pathToFileURL(join(site, 'index.html')).href + '?poltax=10', 1280, 800);
    const state = await runToSummit(page);
    console.log(`opened as a file: ${state.stepCount} ticks to the summit`);
    for (const error of errors) {
      fail(`opened as a file: ${error}`);
    }
    await page.close();
  }
  for (const failure of FAILURES) {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    const errors = recordErrors(page);
    await page.setViewport({width: 1024, height: 600});
    await failure.prepare?.(page);
    await page.goto(failure.url, {waitUntil: 'load'});
    const notice = await page.waitForSelector('.notice', {visible: true, timeout: 30000});
    const text = await notice.evaluate((element) => element.textContent);
    const shown = await page.evaluate(() => document.body.innerText);
    console.log(`${failure.name}: ${text.replace(/\s+/g, ' ')}`);
    if (!failure.notice.test(text.replace(/\s+/g, ' '))) {
      fail(`${failure.name}: the notice reads "${text}"`);
    }
    if (/Aborted|ASSERTIONS|createZorva|stopped working/.test(shown)) {
      fail(`${failure.name}: the page shows a developer's message: ${shown}`);
    }
    for (const error of errors.filter((error) => !failure.expected?.test(error))) {
      fail(`${failure.name}: ${error}`);
    }
    await context.close();
  }
} finally {
  await browser.close();
  server.close();
  withoutModule.close();
}
