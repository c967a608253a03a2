// Opens saved pages from disk in headless Chromium with the network off and reports, per page,
// the sub-resources that failed and the requests that tried to leave the machine.
//
// Input (standard input, JSON): {playwright, chromium, userDataDir, concurrency, timeoutMs, pages}
// where pages are absolute file paths. Output: one JSON line per page:
// {page, error, failures: [{type, url, why}], left: [url]}.
import fs from 'node:fs';
import { createRequire } from 'node:module';
import { fileURLToPath, pathToFileURL } from 'node:url';

const LOCAL_SCHEMES = new Set(['file:', 'data:', 'blob:', 'about:', 'javascript:', 'chrome:',
                               'chrome-error:', 'devtools:']);

function typeOf(resourceType) {
    if (['stylesheet', 'image', 'font', 'script', 'media'].includes(resourceType))
        return resourceType;
    return resourceType === 'document' ? 'document' : 'other';
}

function scheme(url) {
    const colon = url.indexOf(':');
    return colon < 0 ? '' : url.slice(0, colon + 1).toLowerCase();
}

// A file: URL whose file is missing, or a folder where a resource is expected; null when fine.
function missingFile(url, resourceType) {
    let path;
    try {
        path = fileURLToPath(url.split('#')[0]);
    } catch {
        return 'bad file URL';
    }
    try {
        const stat = fs.statSync(path);
        return stat.isDirectory() && resourceType !== 'document' ? 'is a folder' : null;
    } catch {
        return 'missing file';
    }
}

async function settle(page, timeoutMs) {
    // Fonts are requested after layout, so wait for them too, then for late requests.
    const fonts = page.evaluate(() => (document.fonts ? document.fonts.ready.then(() => 1) : 1));
    await Promise.race([fonts.catch(() => 0), page.waitForTimeout(timeoutMs)]);
    await page.waitForTimeout(250);
}

async function renderOne(context, path, timeoutMs) {
    const result = { page: path, error: null, failures: [], left: [] };
    const seen = new Set();
    const fail = (type, url, why) => {
        const key = `${type} ${url}`;
        if (!seen.has(key)) {
            seen.add(key);
            result.failures.push({ type, url, why });
        }
    };
    const page = await context.newPage();
    page.on('request', (request) => {
        const url = request.url();
        const s = scheme(url);
        if (!LOCAL_SCHEMES.has(s))
            result.left.push(url);
        else if (s === 'file:') {
            const why = missingFile(url, request.resourceType());
            if (why)
                fail(typeOf(request.resourceType()), url, why);
        }
    });
    page.on('requestfailed', (request) => {
        const url = request.url();
        if (scheme(url) === 'file:')
            fail(typeOf(request.resourceType()), url, request.failure()?.errorText ?? 'failed');
    });
    try {
        await page.goto(pathToFileURL(path).href, { waitUntil: 'load', timeout: timeoutMs });
        await settle(page, timeoutMs);
    } catch (e) {
        result.error = String(e.message || e).split('\n')[0];
    }
    await page.close().catch(() => {});
    return result;
}

async function main() {
    const input = JSON.parse(fs.readFileSync(0, 'utf8'));
    const { chromium } = createRequire(import.meta.url)(input.playwright);
    const context = await chromium.launchPersistentContext(input.userDataDir, {
        executablePath: input.chromium,
        headless: true,
        offline: true,
        serviceWorkers: 'block',
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    // Nothing but file: may go out; what tries is counted by the page's request handler.
    await context.route(() => true, (route) =>
        scheme(route.request().url()) === 'file:' ? route.continue()
                                                  : route.abort('internetdisconnected'));
    const queue = [...input.pages];
    const worker = async () => {
        for (let path = queue.shift(); path !== undefined; path = queue.shift())
            process.stdout.write(JSON.stringify(await renderOne(context, path, input.timeoutMs)) + '\n');
    };
    await Promise.all(Array.from({ length: Math.max(1, input.concurrency) }, worker));
    await context.close();
}

main().catch((e) => {
    process.stderr.write(`${e.stack || e}\n`);
    process.exit(1);
});
