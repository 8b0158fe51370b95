// The page kept for use offline and offered for installing. A first visit
// leaves a copy in the browser; a new build on the server reaches the next
// visit and replaces the copy; with the server stopped, a reload still opens
// the page and runs POLTAX 10 to the summit. Chromium finds nothing that stops it
// offering to install the page.
//
// node page_offline_test.mjs SITE_FOLDER SCRATCH_FOLDER
import {appendFileSync, cpSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {fail, launch, openPage, runToSummit, serve} from './harness.mjs';

const [site, scratch] = process.argv.slice(2);
// A copy of the site, so that the test can change a file on the "server".
const copy = join(scratch, 'site');
rmSync(copy, {recursive: true, force: true});
cpSync(site, copy, {recursive: true});

const server = await serve(copy);
const browser = await launch();
try {
  // The browser's own profile: Chromium offers no installing in a private one.
  const {page, errors} = await openPage(browser, server.url, 1280, 800);
  // The worker has kept its copy and taken the page over.
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null,
                             {timeout: 30000, polling: 100});

  const session = await page.createCDPSession();
  const {installabilityErrors} = await session.send('Page.getInstallabilityErrors');
  for (const error of installabilityErrors) {
    fail(`not installable: ${error.errorId} ${JSON.stringify(error.errorArguments)}`);
  }
  const manifest = await session.send('Page.getAppManifest');
  for (const error of manifest.errors) {
    fail(`manifest: ${error.message}`);
  }

  // A new build on the server, a changed file and a worker that names it, is
  // what the next visit shows; its copy replaces the old one.
  appendFileSync(join(copy, 'zorva.css'), '\nbody { --zorva-build: changed; }\n');
  const worker = join(copy, 'zorva_sw.js');
  writeFileSync(worker, readFileSync(worker, 'utf8').replace(/const VERSION = '\w+'/,
                                                             "const VERSION = 'next'"));
  const build = () => page.evaluate(
    () => getComputedStyle(document.body).getPropertyValue('--zorva-build').trim());
  await page.reload({waitUntil: 'load'});
  await page.waitForFunction(() => window.__zorva.ready, {timeout: 30000});
  if (await build() !== 'changed') {
    fail('a reload did not take the file changed on the server');
  }
  await page.waitForFunction(async () => {
    const names = await caches.keys();
    return names.length === 1 && names[0].endsWith(' next');
  }, {timeout: 30000, polling: 100}).catch(async () => {
    fail(`the copies kept: ${await page.evaluate(() => caches.keys())}`);
  });

  server.close();
  await page.goto(server.url + '?poltax=10', {waitUntil: 'load'});
  await page.waitForFunction(() => window.__zorva?.ready, {timeout: 30000}).catch(() => {
    throw new Error('offline, the page did not start');
  });
  if (await build() !== 'changed') {
    fail('offline, the page has an old copy of a file');
  }
  const poltax = await page.$eval('#POLTAX', (bar) => bar.getAttribute('aria-valuenow'));
  const state = await runToSummit(page);
  console.log(`offline: POLTAX ${poltax}, ${state.stepCount} ticks to the summit`);
  if (poltax !== '10' || state.failures !== 0) {
    fail(`offline: POLTAX ${poltax}, ${state.failures} failed events`);
  }
  for (const error of errors) {
    fail(error);
  }
} finally {
  await browser.close();
  server.close();
}
