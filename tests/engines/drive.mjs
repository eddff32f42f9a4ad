// Runs engine jobs in Debian's Chromium, headless, through playwright-core (which never downloads a browser of its
// own): one browser for all jobs, one page for the jobs of one loader and renderer in a row (the engine is then
// imported once), a fresh page after any failure. The pages are served on localhost by the Python driver.
// Usage: node drive.mjs NPM_DIR BASE_URL JOBS.json RESULTS.json
// A job is {id, loader, atlas, renderer} and what its loader needs more; its result is what page.js returns plus the
// page's `problems` (errors it logged), or {error, problems}, and a PNG screenshot of the page with a transparent
// background when the page asked for one.
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { createRequire } from "node:module";

const [npmDir, baseUrl, jobsFile, resultsFile] = process.argv.slice(2);
const { chromium } = createRequire(path.join(path.resolve(npmDir), "package.json"))("playwright-core");
const jobs = JSON.parse(fs.readFileSync(jobsFile, "utf8"));
const timeoutMs = 30000;

// Root may not run Chromium's sandbox; the rest keeps it from calling out of this machine at every start.
const args = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync"];

async function openPage(context) {
    const page = await context.newPage();
    const state = { problems: [], fail: null };
    // An error thrown inside an engine's own loop never reaches the job's promise: it ends the job at once.
    page.on("pageerror", (e) => state.fail?.(e));
    page.on("console", (m) => { if (m.type() === "error") state.problems.push(`console: ${m.text()}`); });
    page.on("requestfailed", (r) => state.problems.push(`request failed: ${r.url()}`));
    await page.goto(`${baseUrl}/engines/page.html`);
    await page.waitForFunction(() => window.pageReady === true, null, { timeout: timeoutMs });
    return { page, state };
}

async function runJob(open, job) {
    open.state.problems = [];
    let timer;
    const failed = new Promise((_, reject) => {
        open.state.fail = reject;
        timer = setTimeout(() => reject(new Error(`no answer within ${timeoutMs / 1000} s`)), timeoutMs);
    });
    try {
        return await Promise.race([open.page.evaluate((j) => window.drawAtlas(j), job), failed]);
    } finally {
        clearTimeout(timer);
    }
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), "quiltbox-chromium-"));
const results = {};
let context;
try {
    context = await chromium.launchPersistentContext(profile, {
        executablePath: "/usr/bin/chromium", headless: true, args });
    let open = null;
    let group = null;
    for (const job of jobs) {
        const started = Date.now();
        if (open && group !== `${job.loader}/${job.renderer}`) {
            await open.page.close();
            open = null;
        }
        group = `${job.loader}/${job.renderer}`;
        try {
            open ??= await openPage(context);
            const result = await runJob(open, job);
            if (result.screenshot) {
                const shot = await open.page.screenshot({ omitBackground: true, fullPage: true });
                result.screenshot = shot.toString("base64");
            }
            results[job.id] = { ...result, problems: open.state.problems };
        } catch (e) {
            results[job.id] = { error: String(e.message ?? e).split("\n")[0], problems: open?.state.problems ?? [] };
            await open?.page.close();
            open = null;
        }
        if (process.env.QUILTBOX_DRIVE_TIMES) console.error(`${job.id}: ${Date.now() - started} ms`);
    }
} finally {
    if (context) await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
}
fs.writeFileSync(resultsFile, JSON.stringify(results));
