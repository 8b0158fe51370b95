// What the browser tests share: the built page served from its folder on a
// free local port, and headless Chromium driven through puppeteer-core.
import {createServer} from 'node:http';
import {readFile} from 'node:fs/promises';
import {existsSync} from 'node:fs';
import {basename, extname, join, normalize} from 'node:path';

export const SKIP = 77;

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.svg': 'image/svg+xml',
  '.webmanifest': 'application/manifest+json',
};

// Serves folder on 127.0.0.1 at a port of the system's choosing, as if the
// files named in missing were not in it. close() stops the server and drops
// its connections: a page that asks again finds no one.
export async function serve(folder, {missing = []} = {}) {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    const file = join(folder, path.endsWith('/') ? path + 'index.html' : path);
    try {
      if (missing.includes(basename(file))) {
        throw new Error('missing');
      }
      const body = await readFile(file);
      response.writeHead(200, {'Content-Type': TYPES[extname(file)] || 'application/octet-stream'});
      response.end(body);
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {url: `http://127.0.0.1:${server.address().port}/`, close: () => {
    server.close();
    server.closeAllConnections();
  }};
}

export const CHROMIUM = process.env.ZORVA_CHROMIUM || '/usr/bin/chromium';

// Exits with SKIP, saying why, when the browser or its driver is missing.
export async function launch() {
  if (!existsSync(CHROMIUM)) {
    console.log(`SKIP: no Chromium at ${CHROMIUM}`);
    process.exit(SKIP);
  }
  let puppeteer;
  try {
    puppeteer = (await import('puppeteer-core')).default;
  } catch {
    console.log('SKIP: puppeteer-core is not installed (npm ci in the source folder)');
    process.exit(SKIP);
  }
  // No network on these machines: Chromium's own traffic is turned off.
  return puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run',
           '--font-render-hinting=none'],
  });
}

// Collects page's script and console errors into errors (returned).
export function recordErrors(page, errors = []) {
  page.on('pageerror', (error) => errors.push(`page error: ${error.message}`));
  page.on('console', (entry) => {
    if (entry.type() === 'error') {
      errors.push(`console error: ${entry.text()}`);
    }
  });
  return errors;
}

// A page at width × height that records every script and console error;
// options go to the viewport (isMobile, hasTouch, deviceScaleFactor).
export async function openPage(browser, url, width, height, options = {}) {
  const page = await browser.newPage();
  const errors = recordErrors(page);
  await page.setViewport({width, height, ...options});
  await page.goto(url, {waitUntil: 'load'});
  await page.waitForFunction(() => window.__zorva && window.__zorva.ready, {timeout: 30000});
  return {page, errors};
}

export function fail(text) {
  console.error(`FAIL: ${text}`);
  process.exitCode = 1;
}

// Presses "Time on" and waits for the run to stop at the summit; returns the
// state it stopped in.
export async function runToSummit(page) {
  await page.click('#Command1');
  await page.waitForFunction(() => {
    const s = window.__zorva.state();
    return !s.running && s.stepCount > 0;
  }, {timeout: 60000, polling: 50});
  return page.evaluate(() => window.__zorva.state());
}
