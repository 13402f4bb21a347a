// Drives the test station in Debian's headless Chromium as a technician would: a device from its
// number to a signed report, and a run aborted in the middle. Usage:
//   node station_e2e.mjs URL SCREENSHOT-FOLDER
import puppeteer from 'puppeteer-core';
import fs from 'node:fs';
import path from 'node:path';

const [url, shots] = process.argv.slice(2);
fs.mkdirSync(shots, { recursive: true });
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run'],
});
const timeout = 20000;

function check(condition, message) {
  if (!condition) throw new Error('check failed: ' + message);
  console.log('ok: ' + message);
}

async function shoot(page, name) {
  await page.screenshot({ path: path.join(shots, name + '.png') });
}

async function text(page, selector) {
  return page.$eval(selector, (node) => node.textContent.trim());
}

async function openStation() {
  const page = await browser.newPage();
  await page.setViewport({ width: 1100, height: 760 });
  page.on('pageerror', (error) => { throw error; });
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForSelector('body[data-ready="yes"]', { timeout });
  return page;
}

async function enterDevice(page, serial, items) {
  await page.type('#find-number', serial);
  await page.keyboard.press('Enter');
  await page.waitForSelector('#device-form:not([hidden])', { timeout });
  for (const [name, value] of Object.entries(items)) {
    await page.$eval(`#device-items input[name="${name}"]`, (input) => { input.value = ''; });
    await page.type(`#device-items input[name="${name}"]`, value);
  }
}

async function chooseTest(page, fault, tester) {
  await page.click('#device-form button[type="submit"]');
  await page.waitForSelector('#screen-test:not([hidden])', { timeout });
  await page.select('#fault', fault);
  await page.$eval('#tester', (input) => { input.value = ''; });
  await page.type('#tester', tester);
  await page.click('#check');
  await page.waitForFunction(() => document.getElementById('check-status').textContent !== '', { timeout });
}

async function waitForQuestion(page) {
  await page.waitForSelector('#question[open]', { timeout });
  return text(page, '#question-text');
}

// Waits until the open question is the one whose text matches (the dialog of the one before may
// still be closing).
async function waitForQuestionLike(page, pattern) {
  await page.waitForFunction((source) => document.getElementById('question').open &&
    new RegExp(source).test(document.getElementById('question-text').textContent),
  { timeout }, pattern.source);
}

async function answer(page, pattern, word) {
  await waitForQuestionLike(page, pattern);
  await page.click(`#question-buttons button[data-answer="${word}"]`);
}

const visualQuestion = /damage/;
const functionQuestion = /intended function/;

const device = { AssetNumber: 'A-77', Manufacturer: 'Norvale Medical', Model: 'InfuSafe 300',
  ProtectionClass: 'I', AppliedPartType: 'BF' };

try {
  // The device's earlier test: healthy, the inspection and the functional check say Yes.
  const page = await openStation();
  await shoot(page, '1-device');
  await enterDevice(page, 'E2E-1001', device);
  await chooseTest(page, 'none', 'Erika Muster');
  await page.click('#start');
  await answer(page, visualQuestion, 'yes');
  await answer(page, functionQuestion, 'yes');
  await page.waitForSelector('#screen-result:not([hidden])', { timeout });
  check((await page.$eval('#verdict', (n) => n.dataset.outcome)) === 'passed', 'the earlier test passed');
  await page.$eval('#new-test', (button) => button.click());

  // Case 1: the device again, now with a broken earth and visible damage: the inspection says No.
  await enterDevice(page, 'E2E-1001', device);
  await shoot(page, '2-device-data');
  await chooseTest(page, 'earth', 'Erika Muster');
  check((await page.$eval('#check-status', (n) => n.className)).includes('passed'), 'the checks pass');
  await shoot(page, '3-test');
  await page.click('#start');
  const question = await waitForQuestion(page);
  check(/damage/.test(question), 'the visual inspection asks its question in the page');

  // A second tab opened late sees the same run, with the same open question.
  const second = await openStation();
  await waitForQuestion(second);
  check((await second.$$('#steps tbody tr')).length > 3, 'a late tab shows the running test');
  await second.close();

  await page.type('#question-remark', 'Cracked housing <b>near</b> the plug');
  await shoot(page, '4-question');
  await page.click('#question-buttons button[data-answer="no"]');
  // The functional check: Enter takes the default button, the simulated device's answer (it works).
  await waitForQuestionLike(page, functionQuestion);
  check((await page.evaluate(() => document.activeElement.dataset.answer)) === 'yes',
    'the functional check offers its default answer first');
  await page.keyboard.press('Enter');
  await page.waitForSelector('#screen-result:not([hidden])', { timeout });
  const outcome = await page.$eval('#verdict', (n) => n.dataset.outcome);
  check(outcome === 'failed', 'the run failed');
  await page.click('#nav-run');
  const visual = await page.$$eval('#steps tbody tr', (rows) =>
    rows.map((r) => [r.cells[1].textContent, r.cells[2].className, r.cells[3].textContent]));
  const inspection = visual.find((row) => row[0] === 'Visual inspection');
  check(inspection && inspection[1] === 'failed', 'the visual inspection failed');
  check(inspection[2].includes('Cracked housing <b>near</b> the plug'), 'the remark shows as text');
  check(inspection[1] === 'failed', 'the visual inspection failed');
  const previous = await page.$$eval('#steps tbody tr', (rows) => rows.map((r) => r.cells[5].textContent));
  check(previous.filter((text) => text.trim() !== '').length >= 3, 'each reading shows the last test\'s value');
  const earth = visual.find((row) => row[0].startsWith('Protective earth'));
  check(earth && earth[1] === 'failed', 'the protective earth step failed');
  const functional = visual.find((row) => row[0] === 'Operating current');
  check(functional && functional[1] === 'passed' && /^Yes/m.test(functional[2]),
    'the functional check passed with its answer as a reading');
  await page.evaluate(() => {
    for (const name of ['device', 'test', 'result']) document.getElementById('screen-' + name).hidden = true;
    document.getElementById('screen-run').hidden = false;
  });
  await shoot(page, '5-run');
  await page.evaluate(() => {
    document.getElementById('screen-run').hidden = true;
    document.getElementById('screen-result').hidden = false;
  });
  const stored = await text(page, '#result-message');
  check(stored.includes('Erika Muster'), 'the record is signed with the tester\'s name');
  await page.waitForSelector('#trends .trend', { timeout });
  await shoot(page, '6-result');

  check((await text(page, '#report-pdf-link')) === 'Report (PDF)' &&
    !(await page.$eval('#report-pdf-link', (a) => a.hidden)), 'the result links the report as PDF');
  const pdf = await page.evaluate(async (href) => {
    const response = await fetch(href);
    const bytes = new Uint8Array(await response.arrayBuffer());
    return { status: response.status, type: response.headers.get('content-type'),
      head: String.fromCharCode(...bytes.slice(0, 5)) };
  }, await page.$eval('#report-pdf-link', (a) => a.href));
  check(pdf.status === 200 && pdf.type === 'application/pdf' && pdf.head === '%PDF-',
    'the PDF link serves the report as a PDF');

  const report = await page.$eval('#report-link', (a) => a.href);
  const reportPage = await browser.newPage();
  await reportPage.setViewport({ width: 1100, height: 760 });
  await reportPage.goto(report, { waitUntil: 'load' });
  const reportText = await reportPage.evaluate(() => document.body.innerText);
  check(reportText.includes('E2E-1001'), 'the report names the device');
  check(reportText.includes('Cracked housing <b>near</b> the plug'), 'the report keeps the remark as text');
  await shoot(reportPage, '7-report');
  await reportPage.close();

  // The device's history now holds the record.
  await page.click('#new-test');
  await page.type('#find-number', 'A-77');
  await page.keyboard.press('Enter');
  await page.waitForSelector('#history-box:not([hidden])', { timeout });
  check((await page.$$('#history tbody tr')).length === 2, 'the history by asset number shows both records');
  await shoot(page, '8-history');

  // Case 2: a run aborted at the visual inspection ends cancelled, and nothing is stored.
  await page.$eval('#new-test', (button) => button.click());
  await enterDevice(page, 'E2E-2002', { Model: 'InfuSafe 300' });
  await chooseTest(page, 'none', 'Erika Muster');
  await page.click('#start');
  await waitForQuestion(page);
  await page.click('#question-abort');
  await page.waitForFunction(() => document.getElementById('question-abort').hidden, { timeout });
  check(/discard/.test(await text(page, '#question-text')), 'abort asks the abort question');
  await shoot(page, '9-abort-question');
  await page.click('#question-buttons button[data-answer="yes"]');
  await page.waitForSelector('#screen-result:not([hidden])', { timeout });
  check((await page.$eval('#verdict', (n) => n.dataset.outcome)) === 'cancelled', 'the run ended cancelled');
  check(await page.$eval('#report-link', (a) => a.hidden) &&
    await page.$eval('#report-pdf-link', (a) => a.hidden), 'a cancelled run has no report');
  await shoot(page, '10-cancelled');

  // Every text of the page in German at the switch of the language.
  await page.$eval('#new-test', (button) => button.click());
  await page.select('#language', 'de');
  await page.waitForFunction(() => document.title === 'Prüfplatz', { timeout });
  await page.type('#find-number', 'A-77');
  await page.keyboard.press('Enter');
  await page.waitForSelector('#history-box:not([hidden])', { timeout });
  check((await text(page, '#find-form button')) === 'Suchen', 'the page speaks German');
  check((await text(page, '#history tbody tr td:nth-child(3)')) !== '', 'the history in German');
  await shoot(page, '11-german');
  console.log('all checks passed');
} finally {
  await browser.close();
}
