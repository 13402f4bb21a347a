// The test station's page: device, test, run, result. Every datum is put in with textContent or
// as an attribute value, never as markup; every text comes from the station's catalogues.
const state = { language: localStorage.getItem('velko.language') || 'en', texts: {}, csrf: '',
  overview: null, device: null, question: null, steps: [], lastEvent: 0, screen: 'device' };
const $ = (id) => document.getElementById(id);
const t = (name) => state.texts[name] || name;

function element(tag, text, className) {
  const node = document.createElement(tag);
  if (text !== undefined && text !== null) node.textContent = String(text);
  if (className) node.className = className;
  return node;
}

function verdictClass(status) {
  return status === 1 ? 'passed' : status === 2 ? 'failed' : 'other';
}

async function api(path, body) {
  const options = { headers: { 'X-Velko-Language': state.language }, credentials: 'same-origin' };
  if (body !== undefined) {
    options.method = 'POST';
    options.headers['Content-Type'] = 'application/json';
    options.headers['X-CSRF-Token'] = state.csrf;
    options.body = JSON.stringify(body);
  }
  const response = await fetch(path, options);
  const answer = await response.json().catch(() => ({ error: 'internal' }));
  if (!response.ok) {
    const error = new Error(answer.message || t('error.' + answer.error));
    error.answer = answer;
    throw error;
  }
  return answer;
}

function showError(error) {
  const box = $('error');
  if (!error) { box.hidden = true; return; }
  box.textContent = t('error') + '\n' + error.message;
  box.hidden = false;
}

function guarded(action) {
  return async (event) => {
    if (event) event.preventDefault();
    showError(null);
    try { await action(event); } catch (error) { showError(error); }
  };
}

function show(screen) {
  state.screen = screen;
  for (const name of ['device', 'test', 'run', 'result']) {
    $('screen-' + name).hidden = name !== screen;
    $('nav-' + name).classList.toggle('current', name === screen);
  }
}

async function loadTexts() {
  const answer = await api('/api/texts');
  state.texts = answer.texts;
  document.documentElement.lang = state.language;
  for (const node of document.querySelectorAll('[data-text]')) node.textContent = t(node.dataset.text);
  document.title = t('title');
}

// Device
function deviceItems() {
  const items = {};
  for (const input of $('device-items').querySelectorAll('input')) {
    if (input.value.trim() !== '') items[input.name] = input.value.trim();
  }
  return items;
}

function fillDeviceForm(values) {
  const box = $('device-items');
  box.replaceChildren();
  for (const item of state.overview.items) {
    const label = element('label', null, item.required ? 'required' : '');
    label.append(element('span', item.caption));
    const input = element('input');
    input.name = item.name;
    input.maxLength = 256;
    input.required = item.required;
    input.value = values[item.name] || '';
    label.append(input);
    box.append(label);
  }
  $('device-form').hidden = false;
}

function showHistory(found) {
  const body = $('history').tBodies[0];
  body.replaceChildren();
  for (const record of found.history) {
    const row = element('tr');
    row.append(element('td', record.finished), element('td', record.sequence),
      element('td', record.verdictWord, verdictClass(record.verdict)), element('td', record.tester));
    const cell = element('td');
    const link = element('a', record.recordId.slice(0, 8));
    link.href = '/api/report/' + encodeURIComponent(record.recordId);
    link.target = '_blank';
    link.rel = 'noopener';
    cell.append(link);
    row.append(cell);
    body.append(row);
  }
  $('last-verdict').textContent = found.lastVerdictWord || '';
  $('last-verdict').className = verdictClass(found.lastVerdict);
  $('next-due').textContent = found.nextDue || '';
  $('history-box').hidden = !found.found;
}

async function findDevice() {
  const number = $('find-number').value.trim();
  const found = await api('/api/device?number=' + encodeURIComponent(number));
  state.device = found;
  $('find-status').textContent = found.found ? t('testedBefore') : t('notFound');
  showHistory(found);
  const values = found.items || {};
  if (!found.found) values.SerialNumber = number;
  fillDeviceForm(values);
  $('device-items').querySelector('input')?.focus();
}

// Test
function fillTestForm() {
  const sequences = $('sequence');
  sequences.replaceChildren();
  const ordered = [...state.overview.sequences].sort((a, b) => Number(b.recent) - Number(a.recent));
  for (const sequence of ordered) {
    const option = element('option', sequence.name + (sequence.recent ? ' (' + t('recent') + ')' : ''));
    option.value = sequence.file;
    sequences.append(option);
  }
  if (ordered.length === 0) $('check-status').textContent = t('noSequence');
  const standards = $('standards');
  if (standards.childElementCount === 0) {
    for (const standard of state.overview.standards) {
      const label = element('label');
      const box = element('input');
      box.type = 'checkbox';
      box.value = standard.name;
      box.checked = standard.name.endsWith('Class I') && standard.group === 'IEC 62353';
      label.append(box, element('span', standard.name));
      standards.append(label);
    }
  }
  const faults = $('fault');
  const chosen = faults.value || 'none';
  faults.replaceChildren();
  for (const fault of state.overview.faults) {
    const option = element('option', t('fault' + fault[0].toUpperCase() + fault.slice(1)));
    option.value = fault;
    faults.append(option);
  }
  faults.value = chosen;
  fillServiceEvents();
  $('tester').value = $('tester').value || localStorage.getItem('velko.tester') || '';
}

// The service events that the chosen sequence's filters name; none: the box is hidden.
function fillServiceEvents() {
  const sequence = state.overview.sequences.find((s) => s.file === $('sequence').value);
  const events = sequence ? sequence.serviceEvents : [];
  const box = $('service-events');
  box.replaceChildren();
  for (const event of events) {
    const label = element('label');
    const input = element('input');
    input.type = 'checkbox';
    input.dataset.activity = event.activity;
    input.dataset.event = event.event;
    label.append(input, element('span', event.activity + (event.event ? ' — ' + event.event : '')));
    box.append(label);
  }
  $('service-box').hidden = events.length === 0;
}

function runRequest() {
  return {
    device: deviceItems(),
    sequence: $('sequence').value,
    standards: [...$('standards').querySelectorAll('input:checked')].map((box) => box.value),
    serviceEvents: [...$('service-events').querySelectorAll('input:checked')].map((box) => (
      { activity: box.dataset.activity, event: box.dataset.event })),
    fault: $('fault').value,
    tester: $('tester').value.trim(),
  };
}

function showProblems(problems) {
  const table = $('problems');
  const body = table.tBodies[0];
  body.replaceChildren();
  for (const problem of problems) {
    const row = element('tr');
    row.append(element('td', problem.file), element('td', problem.line || ''),
      element('td', problem.severity + ': ' + problem.message, problem.error ? 'failed' : ''));
    body.append(row);
  }
  table.hidden = problems.length === 0;
}

async function check() {
  const answer = await api('/api/check', runRequest());
  showProblems(answer.problems);
  $('check-status').textContent = !answer.ready ? t('checksBlocked')
    : answer.problems.length > 0 ? t('checksWarnings') : t('checksPassed');
  $('check-status').className = 'status ' + (answer.ready ? 'passed' : 'failed');
  $('start').disabled = !answer.ready;
  return answer.ready;
}

async function start() {
  if (!(await check())) return;
  localStorage.setItem('velko.tester', $('tester').value.trim());
  await api('/api/start', runRequest());
  show('run');
}

// Run
function limitsText(limits, unit) {
  const bound = (value) => value + (unit ? ' ' + unit : '');
  return limits.map((limit) => {
    const low = limit.low === null ? '' : '≥ ' + bound(limit.low);
    const high = limit.high === null ? '' : '≤ ' + bound(limit.high);
    return [low, high].filter(Boolean).join(' ') + ' (' + limit.standard + ')';
  }).join('\n');
}

function stepRow(index) { return $('steps').tBodies[0].rows[index]; }

function onRunStarted(event) {
  state.steps = event.steps;
  $('run-title').textContent = event.sequence + ' — ' + event.device;
  const body = $('steps').tBodies[0];
  body.replaceChildren();
  for (const step of event.steps) {
    const row = element('tr');
    row.append(element('td', step.leaf ? step.number : ''), element('td', step.name),
      element('td', t('waiting'), 'other'), element('td'), element('td'), element('td'));
    if (!step.leaf) row.cells[1].style.fontStyle = 'italic';
    body.append(row);
  }
  $('abort').disabled = false;
  if (state.screen !== 'run') show('run');
}

function onStepFinished(event) {
  const row = stepRow(event.index);
  if (!row) return;
  row.classList.remove('running');
  row.cells[2].textContent = event.statusWord;
  row.cells[2].className = verdictClass(event.status);
  const values = event.readings.map((r) => r.value + (r.unit ? ' ' + r.unit : '') + ' — ' + r.statusWord);
  row.cells[3].textContent = values.join('\n');
  if (event.comment) row.cells[3].append(element('div', event.comment, 'comment'));
  row.cells[4].textContent = event.readings.map((r) => limitsText(r.limits, r.unit)).join('\n');
  row.cells[5].textContent = event.readings.map((r) => r.previous).join('\n');
}

function onQuestion(event) {
  state.question = event;
  $('question-caption').textContent = event.abort ? t('abort') : (event.caption || t('question'));
  $('question-text').textContent = event.text;
  $('question-remark').value = '';
  $('question-remark').parentElement.hidden = event.abort;
  $('question-abort').hidden = event.abort;
  const buttons = $('question-buttons');
  buttons.replaceChildren();
  for (const button of event.buttons) {
    const node = element('button', t(button.word), button.word === 'yes' ? 'primary' : '');
    node.type = 'button';
    node.dataset.answer = button.word;
    node.addEventListener('click', guarded(async () => {
      await api('/api/answer', { question: event.id, answer: button.answer,
        remark: $('question-remark').value });
    }));
    buttons.append(node);
  }
  const dialog = $('question');
  if (!dialog.open) dialog.showModal();
  // As a message box: Enter takes the default button.
  const preferred = event.buttons.findIndex((button) => button.default);
  buttons.querySelectorAll('button')[Math.max(preferred, 0)]?.focus();
}

function onQuestionClosed(event) {
  if (state.question && state.question.id === event.id) {
    state.question = null;
    if ($('question').open) $('question').close();
  }
}

function onRunFinished(event) {
  if ($('question').open) $('question').close();
  $('abort').disabled = true;
  const verdict = $('verdict');
  verdict.textContent = event.verdictWord || t('error');
  verdict.className = 'verdict ' + (event.outcome === 'passed' ? 'passed'
    : event.outcome === 'failed' ? 'failed' : 'other');
  verdict.dataset.outcome = event.outcome;
  $('result-message').textContent = event.message || '';
  for (const [id, href] of [['report-link', event.report], ['report-pdf-link', event.reportPdf]]) {
    const link = $(id);
    link.hidden = !event.stored;
    if (event.stored) link.href = href;
  }
  show('result');
  if (event.device) loadTrends(event.device).catch(showError);
}

const handlers = { 'run-started': onRunStarted, 'step-finished': onStepFinished,
  'step-started': (event) => stepRow(event.index)?.classList.add('running'),
  question: onQuestion, 'question-closed': onQuestionClosed, 'run-finished': onRunFinished };

function listen() {
  const source = new EventSource('/api/events');
  source.onmessage = (message) => {
    const event = JSON.parse(message.data);
    handlers[event.type]?.(event);
  };
}

// Result: one small chart per measurement of the device's records.
async function loadTrends(number) {
  const found = await api('/api/device?number=' + encodeURIComponent(number));
  showHistory(found);
  const box = $('trends');
  box.replaceChildren();
  for (const trend of found.trends || []) box.append(trendChart(trend));
}

function svgNode(tag, attributes, text) {
  const node = document.createElementNS('http://www.w3.org/2000/svg', tag);
  for (const [name, value] of Object.entries(attributes)) node.setAttribute(name, value);
  if (text !== undefined) node.textContent = String(text);
  return node;
}

// A line of the device's readings of one measurement, oldest first: each dot coloured by its
// verdict and labelled with its value, the first and the last date below.
function trendChart(trend) {
  const width = 300, height = 130, pad = 28;
  const figure = element('div', null, 'trend');
  figure.append(element('h3', trend.name + ' · ' + trend.key + (trend.unit ? ' [' + trend.unit + ']' : '')));
  const svg = svgNode('svg', { width, height, role: 'img' });
  const values = trend.points.map((p) => p.value);
  const low = Math.min(...values), high = Math.max(...values);
  const span = high - low || Math.abs(high) || 1;
  const count = trend.points.length;
  const x = (i) => (count < 2 ? width / 2 : pad + i * (width - 2 * pad) / (count - 1));
  const y = (v) => (high === low ? height / 2 : height - pad - (v - low) / span * (height - 2 * pad));
  svg.append(svgNode('polyline', { points: trend.points.map((p, i) => x(i) + ',' + y(p.value)).join(' '),
    fill: 'none', stroke: '#1f3a5f', 'stroke-width': 2 }));
  trend.points.forEach((p, i) => {
    svg.append(svgNode('circle', { cx: x(i), cy: y(p.value), r: 5, fill: p.status === 2 ? '#b00020' : '#0b6b2b' }));
    svg.append(svgNode('text', { x: x(i), y: y(p.value) - 9, 'text-anchor': 'middle', 'font-size': 12 },
      Number(p.value.toPrecision(4))));
  });
  const date = (p) => (p.date || '').slice(0, 10);
  svg.append(svgNode('text', { x: count < 2 ? width / 2 : pad, y: height - 6, 'font-size': 11,
    'text-anchor': count < 2 ? 'middle' : 'start', fill: '#5d6470' }, date(trend.points[0])));
  if (count > 1) {
    svg.append(svgNode('text', { x: width - pad, y: height - 6, 'font-size': 11, 'text-anchor': 'end',
      fill: '#5d6470' }, date(trend.points[count - 1])));
  }
  figure.append(svg);
  return figure;
}

// On an address that other machines reach, the station asks for its access token once; the
// token becomes a cookie that only the station's own requests carry.
async function session() {
  try {
    return await api('/api/session');
  } catch (error) {
    if (error.answer?.error !== 'token') throw error;
    await loadTexts();
    const token = window.prompt(t('error.token')) || '';
    await api('/api/login', { token });
    return api('/api/session');
  }
}

async function begin() {
  const opened = await session();
  state.csrf = opened.csrf;
  $('language').value = state.language;
  await loadTexts();
  state.overview = await api('/api/overview');
  listen();
  document.body.dataset.ready = 'yes';
}

$('language').addEventListener('change', guarded(async () => {
  state.language = $('language').value;
  localStorage.setItem('velko.language', state.language);
  await loadTexts();
  state.overview = await api('/api/overview');
  if (!$('device-form').hidden) fillDeviceForm(deviceItems());
  if (state.screen === 'test') fillTestForm();
}));
$('find-form').addEventListener('submit', guarded(findDevice));
$('device-form').addEventListener('submit', guarded(async () => {
  state.overview = await api('/api/overview');
  fillTestForm();
  $('start').disabled = false;
  $('check-status').textContent = '';
  showProblems([]);
  show('test');
  $('sequence').focus();
}));
$('back-device').addEventListener('click', () => show('device'));
$('check').addEventListener('click', guarded(check));
$('test-form').addEventListener('submit', guarded(start));
$('test-form').addEventListener('change', () => { $('start').disabled = false; });
$('sequence').addEventListener('change', fillServiceEvents);
$('abort').addEventListener('click', guarded(() => api('/api/abort', {})));
$('question-abort').addEventListener('click', guarded(() => api('/api/abort', {})));
$('new-test').addEventListener('click', () => {
  $('find-number').value = '';
  $('device-form').hidden = true;
  $('history-box').hidden = true;
  $('find-status').textContent = '';
  show('device');
  $('find-number').focus();
});
$('question').addEventListener('cancel', (event) => event.preventDefault());
guarded(begin)();
