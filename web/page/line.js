// The line's page: asks the API when the server says records arrived, and draws what it
// answers. Every value from the records goes in as text, never as markup.
'use strict';

const asked = new URLSearchParams(location.search);
const SVG = 'http://www.w3.org/2000/svg';
let running = [];   // [element, seconds at the answer, when the answer came]
let pending = null; // a refresh asked for while one is under way
let shownHour = '';

function query() {
  const q = new URLSearchParams();
  for (const key of ['station', 'since'])
    if (asked.has(key)) q.set(key, asked.get(key));
  const text = q.toString();
  return text ? '?' + text : '';
}

async function api(path) {
  const response = await fetch(path + query(), { cache: 'no-store' });
  if (!response.ok) {
    const why = (await response.text()).trim();
    throw new Error(response.status === 503 ? 'line database away' : why);
  }
  return response.json();
}

function element(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

function notice(text) {
  const n = document.getElementById('notice');
  n.textContent = text;
  n.hidden = !text;
}

function clock(iso) {
  return iso ? iso.slice(11, 19) : '-';
}

function duration(seconds) {
  const s = Math.max(0, Math.floor(seconds));
  return Math.floor(s / 60) + ':' + String(s % 60).padStart(2, '0');
}

function tile(station, sinceLabel) {
  const t = element('article', 'tile');
  t.dataset.station = station.station;
  t.append(element('h3', '', station.station));
  const counts = element('div', 'counts');
  for (const [label, c, key] of [['this hour', station.hour, 'hour'], [sinceLabel, station.since, 'since']]) {
    counts.append(element('span', 'label', label));
    const pass = element('span', 'pass', String(c.passed));
    pass.dataset.count = key + '-passed';
    const fail = element('span', 'fail', String(c.failed));
    fail.dataset.count = key + '-failed';
    counts.append(pass, fail);
  }
  t.append(counts);
  t.append(element('p', 'yield', 'yield ' + station.since.yield.toFixed(1) + ' %, first pass '
                   + station.since.first_pass_yield.toFixed(1) + ' %'));
  // A slot that fails more than its bench is named where the lead looks.
  for (const o of station.outliers) {
    const p = element('p', 'outlier', o.said);
    p.dataset.port = o.port;
    t.append(p);
  }
  // What was signed there: each exception, unlock and lockout, with who and why.
  for (const o of station.overrides) {
    const p = element('p', 'override', clock(o.time) + ' ' + o.meaning + ' by ' + (o.name || o.signer)
                      + ' (' + o.signer + ')' + (o.serial ? ' ' + o.serial : '') + (o.reason ? ': ' + o.reason : ''));
    p.dataset.meaning = o.meaning;
    t.append(p);
  }
  t.append(element('p', 'last', 'last record ' + clock(station.last)));
  const boards = element('ul', 'boards');
  for (const b of station.running) {
    const li = element('li', 'board');
    li.append(element('span', 'port', b.port), ' ', element('span', 'serial', b.serial || '-'), ' ',
              element('span', 'job', b.job), ' ');
    const time = element('span', 'time', duration(b.seconds));
    running.push([time, b.seconds, Date.now()]);
    li.append(time);
    boards.append(li);
  }
  if (!station.running.length) boards.append(element('li', 'idle', 'no board running'));
  t.append(boards);
  return t;
}

function drawTiles(line) {
  const sameDay = line.since.slice(0, 10) === line.now.slice(0, 10);
  const sinceLabel = sameDay && line.since.slice(11, 19) === '00:00:00' ? 'today'
    : 'since ' + (sameDay ? line.since.slice(11, 16) : line.since.slice(5, 16).replace('T', ' '));
  document.getElementById('period').textContent = asked.has('station') ? 'station ' + asked.get('station') : '';
  running = [];
  document.getElementById('tiles').replaceChildren(...line.stations.map(s => tile(s, sinceLabel)));
}

function drawHours(answer) {
  const svg = document.getElementById('hours');
  const hours = answer.hours.slice(-24);
  const width = 720, top = 30, base = 220, room = base - top;
  const step = width / Math.max(hours.length, 8);
  const shapes = [];
  hours.forEach((h, i) => {
    const x = i * step + step * 0.15, w = step * 0.7, height = room * h.yield / 100;
    const bar = document.createElementNS(SVG, 'rect');
    for (const [k, v] of [['x', x], ['y', base - height], ['width', w], ['height', height]]) bar.setAttribute(k, v);
    bar.setAttribute('class', h.yield < 90 ? 'low' : 'bar');
    const value = document.createElementNS(SVG, 'text');
    value.setAttribute('x', x + w / 2);
    value.setAttribute('y', base - height - 6);
    value.textContent = Math.round(h.yield);
    const label = document.createElementNS(SVG, 'text');
    label.setAttribute('x', x + w / 2);
    label.setAttribute('y', base + 28);
    label.textContent = h.hour.slice(11, 13);
    shapes.push(bar, value, label);
  });
  svg.replaceChildren(...shapes);
}

function drawFailures(answer) {
  const list = document.getElementById('failures');
  list.replaceChildren(...answer.failures.map(f => {
    const li = element('li', 'failure');
    li.append(element('span', 'count', String(f.count)), element('span', 'cause', f.step + ': ' + f.cause),
              element('span', 'share', f.share.toFixed(1) + ' %'), element('span', 'caption', f.example));
    return li;
  }));
  if (!answer.failures.length) list.append(element('li', 'idle', 'none'));
}

async function refresh() {
  if (pending) { pending.again = true; return; }
  pending = { again: false };
  try {
    const [line, hours, failures] = await Promise.all([api('/api/line'), api('/api/hours'), api('/api/failures')]);
    drawTiles(line);
    drawHours(hours);
    drawFailures(failures);
    notice('');
    document.body.dataset.shown = line.now;
  } catch (e) {
    notice(e.message);
  }
  const again = pending.again;
  pending = null;
  if (again) refresh();
}

function tick() {
  const now = new Date();
  document.getElementById('clock').textContent = now.toISOString().slice(11, 19) + ' UTC';
  for (const [e, seconds, at] of running) e.textContent = duration(seconds + (Date.now() - at) / 1000);
  // A new hour starts this hour's counts afresh, and a new day the day's.
  const hour = now.toISOString().slice(0, 13);
  if (shownHour && hour !== shownHour) refresh();
  shownHour = hour;
}

function follow() {
  const events = new EventSource('/events');
  events.addEventListener('records', refresh);
  events.addEventListener('back', refresh);
  events.addEventListener('away', () => notice('line database away'));
  events.addEventListener('open', refresh);
  events.addEventListener('error', () => notice('line server away'));
}

tick();
setInterval(tick, 1000);
refresh();
follow();
