// savkit serve's page: a data view and a variable view of one file, every
// edit sent to the server, which carries it out through the component.
'use strict';

const token = document.querySelector('meta[name="savkit-token"]').content;
const $ = (id) => document.getElementById(id);
const PAGE = 100;        // rows a request
const BLOCK = 100;       // variables a request: a wide file's rows come in blocks of columns
const MAX_HEIGHT = 15e6;  // px: browsers cap an element's height (Firefox near 17.9e6); scrolling is scaled past it

const state = {
  info: null, variables: [], labels: false,
  pages: new Map(),      // "labels:page" -> rows
  loading: new Set(),
  first: 1, visible: 20, rowHeight: 24, exactFirst: 0,
  selected: { row: 1, col: 0 }, editing: false,
};

// ---- talking to the server --------------------------------------------

async function api(path, params = {}) {
  const url = new URL(path, location.origin);
  for (const [k, v] of Object.entries(params)) url.searchParams.set(k, v);
  const res = await fetch(url, { headers: { 'X-Savkit-Token': token } });
  const body = await res.json();
  if (!res.ok) throw new Error(body.error || res.statusText);
  return body;
}

async function post(path, body = {}) {
  const res = await fetch(path, {
    method: 'POST', headers: { 'X-Savkit-Token': token, 'Content-Type': 'application/json' },
    body: JSON.stringify(body),
  });
  const answer = await res.json();
  if (!res.ok) throw new Error(answer.error || res.statusText);
  return answer;
}

function say(text, error = false) {
  const m = $('message');
  m.textContent = text;
  m.classList.toggle('error', error);
}

// An edit sent; on success every view shows the file anew.
async function edit(body) {
  const info = await post('/api/edit', body);
  await refresh(info);
  return info;
}

async function refresh(info) {
  state.info = info || await api('/api/info');
  state.variables = await api('/api/variables');
  state.pages.clear();
  showInfo();
  buildHeader();
  layout();
  if (!$('variables').hidden) showVariables();
  if (!$('changes').hidden) showChanges();
}

function showInfo() {
  const i = state.info;
  document.title = `savkit — ${i.file}`;
  $('file').textContent = i.file;
  $('counts').textContent = `${i.cases.toLocaleString()} cases, ${i.variables} variables` + (i.readOnly ? ' (read-only)' : '');
  $('unsaved').textContent = i.edits ? `${i.edits} unsaved edit${i.edits === 1 ? '' : 's'}` : '';
  $('undo').disabled = !i.edits || i.readOnly;
  $('save').disabled = !i.edits || i.readOnly;
  for (const id of ['add-case', 'delete-case', 'add-variable', 'file-label']) $(id).disabled = i.readOnly;
  $('file-label').value = i.label;
  const find = $('find-var'), kept = find.value;
  find.replaceChildren(...state.variables.map((v) => new Option(v.name, v.name)));
  if (kept) find.value = kept;
}

// ---- data view -----------------------------------------------------------

// Wide enough for the format's width, the display width and the name.
function columnWidth(v) {
  const format = Number((v.format.match(/\d+/) || ['8'])[0]);
  const label = state.labels ? Math.min(24, Math.max(0, ...v.valueLabels.map(([, l]) => l.length))) : 0;
  return Math.max(60, Math.min(260, 8 * Math.max(v.columns, format, v.name.length, label) + 16));
}

function buildHeader() {
  const table = $('cells');
  const cols = document.createElement('colgroup');
  const widths = [70, ...state.variables.map(columnWidth)];
  for (const w of widths) { const c = document.createElement('col'); c.style.width = `${w}px`; cols.append(c); }
  table.querySelector('colgroup')?.remove();
  table.prepend(cols);
  table.style.width = `${widths.reduce((a, b) => a + b, 0)}px`;
  // Where each variable's column starts, for telling which are in sight.
  state.widths = widths.slice(1);
  state.lefts = [];
  let left = widths[0];
  for (const w of state.widths) { state.lefts.push(left); left += w; }
  const row = document.createElement('tr');
  const corner = document.createElement('th');
  corner.className = 'n';
  row.append(corner);
  for (const v of state.variables) {
    const th = document.createElement('th');
    th.textContent = v.name;
    th.title = v.label || v.name;
    row.append(th);
  }
  table.tHead.replaceChildren(row);
}

function layout() {
  const grid = $('grid');
  const head = $('cells').tHead.offsetHeight || state.rowHeight;
  state.visible = Math.max(1, Math.floor((grid.clientHeight - head - 16) / state.rowHeight));
  const cases = state.info.cases;
  const total = Math.min(cases * state.rowHeight + head + 16, MAX_HEIGHT);
  $('view').style.height = `${grid.clientHeight}px`;
  $('spacer').style.height = `${Math.max(0, total - grid.clientHeight)}px`;
  onScroll();
}

// The first row shown for a scroll position: the whole range of cases maps
// onto the whole range of scrolling, however many there are.
function firstForScroll() {
  const grid = $('grid');
  const room = grid.scrollHeight - grid.clientHeight;
  const last = Math.max(1, state.info.cases - state.visible + 1);
  if (room <= 0) return 1;
  return Math.min(last, 1 + Math.round(grid.scrollTop / room * (last - 1)));
}

function onScroll() {
  state.first = state.exactFirst || firstForScroll();
  state.exactFirst = 0;
  render();
}

function goTo(caseNr) {
  const cases = state.info.cases;
  if (!cases) return;
  caseNr = Math.max(1, Math.min(cases, caseNr));
  const grid = $('grid');
  const last = Math.max(1, cases - state.visible + 1);
  const first = Math.min(last, caseNr);
  state.selected.row = caseNr;
  state.exactFirst = first;
  const room = grid.scrollHeight - grid.clientHeight;
  const top = last > 1 ? Math.round((first - 1) / (last - 1) * room) : 0;
  if (grid.scrollTop === top) onScroll(); else grid.scrollTop = top;
}

function pageOf(caseNr) { return Math.floor((caseNr - 1) / PAGE); }
function key(page, block) { return `${state.labels ? 1 : 0}:${page}:${block}`; }

// The row of a case with the values of one block of variables, once loaded.
function rowFor(caseNr, block) {
  const rows = state.pages.get(key(pageOf(caseNr), block));
  return rows ? rows[(caseNr - 1) % PAGE] : null;
}

async function load(page, block) {
  const k = key(page, block);
  if (state.pages.has(k) || state.loading.has(k)) return;
  state.loading.add(k);
  try {
    const answer = await api('/api/rows', {
      first: page * PAGE + 1, count: PAGE, labels: state.labels ? 1 : 0, column: block * BLOCK, columns: BLOCK,
    });
    state.pages.set(k, answer.rows);
    if (state.pages.size > 120) state.pages.delete(state.pages.keys().next().value);
    render();
  } catch (e) {
    say(e.message, true);
  } finally {
    state.loading.delete(k);
  }
}

// The variables whose columns are in sight, and a few beside them.
function columnsInSight() {
  const grid = $('grid'), n = state.variables.length;
  const left = grid.scrollLeft, right = left + grid.clientWidth;
  let from = 0;
  while (from < n && state.lefts[from] + state.widths[from] <= left) from++;
  let to = from;
  while (to < n && state.lefts[to] < right) to++;
  return [Math.max(0, from - 3), Math.min(n, to + 3)];
}

// A cell standing for the columns not in sight, as wide as they are.
function filler(span) {
  const td = document.createElement('td');
  td.colSpan = span;
  td.className = 'fill';
  return td;
}

const ALIGN = { right: 'r', center: 'c', left: '' };

function render() {
  if (!state.info || state.editing) return;
  const body = document.createElement('tbody');
  const last = Math.min(state.info.cases, state.first + state.visible - 1);
  const [from, to] = columnsInSight();
  for (let c = state.first; c <= last; c++) {
    const tr = document.createElement('tr');
    tr.dataset.case = c;
    if (c === state.selected.row) tr.className = 'selrow';
    const n = document.createElement('td');
    n.className = 'n';
    n.textContent = c;
    tr.append(n);
    if (from > 0) tr.append(filler(from));
    for (let i = from; i < to; i++) {
      const v = state.variables[i];
      const block = Math.floor(i / BLOCK);
      const row = rowFor(c, block);
      if (!row) load(pageOf(c), block);
      const td = document.createElement('td');
      td.dataset.col = i;
      const kind = row ? row.kinds[i - block * BLOCK] : 0;
      td.className = [row ? '' : 'pending', ALIGN[v.alignment], kind === 1 ? 'um' : kind === 2 ? 'sm' : '',
        c === state.selected.row && i === state.selected.col ? 'sel' : ''].filter(Boolean).join(' ');
      td.textContent = row ? row.cells[i - block * BLOCK] : '…';
      tr.append(td);
    }
    if (to < state.variables.length) tr.append(filler(state.variables.length - to));
    body.append(tr);
  }
  $('cells').tBodies[0].replaceWith(body);
}

function cellAt(caseNr, col) {
  return $('cells').querySelector(`tr[data-case="${caseNr}"] td[data-col="${col}"]`);
}

async function startEdit() {
  const { row, col } = state.selected;
  const td = cellAt(row, col);
  const v = state.variables[col];
  if (!td || !v || state.info.readOnly) return;
  // Values are edited as they are typed (2026-12-09, 1234.5), whatever the view shows.
  const typed = (await api('/api/rows', { first: row, count: 1, column: col, columns: 1, values: 1 })).rows[0].cells[0];
  const input = document.createElement('input');
  input.value = typed;
  state.editing = true;
  td.replaceChildren(input);
  input.focus();
  input.select();
  let done = false;
  const finish = async (commit) => {
    if (done) return;
    done = true;
    state.editing = false;
    if (commit && input.value !== typed) {
      try {
        await edit({ op: 'set', case: row, variable: v.name, value: input.value });
        say(`Case ${row}, ${v.name}: set to ${input.value === '' ? 'system-missing' : input.value}`);
      } catch (e) {
        say(`Case ${row}, ${v.name}: ${e.message}`, true);
      }
    }
    render();
    $('grid').focus();
  };
  input.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') finish(true);
    else if (e.key === 'Escape') finish(false);
    e.stopPropagation();
  });
  input.addEventListener('blur', () => finish(true));
}

function select(row, col) {
  state.selected = { row: Math.max(1, Math.min(state.info.cases, row)), col: Math.max(0, Math.min(state.variables.length - 1, col)) };
  showColumn(state.selected.col);
  if (state.selected.row < state.first) goTo(state.selected.row);
  else if (state.selected.row >= state.first + state.visible) { state.exactFirst = state.selected.row - state.visible + 1; onScroll(); }
  else markSelected();
}

// Scrolls sideways as far as it takes to show a variable's column whole.
function showColumn(col) {
  const grid = $('grid'), left = state.lefts[col], right = left + state.widths[col];
  if (left - 70 < grid.scrollLeft) grid.scrollLeft = left - 70;
  else if (right > grid.scrollLeft + grid.clientWidth) grid.scrollLeft = right - grid.clientWidth;
}

// The selection moves without the rows being made again, so that a
// double-click lands on the cell its first click selected.
function markSelected() {
  const body = $('cells').tBodies[0];
  body.querySelector('td.sel')?.classList.remove('sel');
  body.querySelector('tr.selrow')?.classList.remove('selrow');
  const tr = body.querySelector(`tr[data-case="${state.selected.row}"]`);
  tr?.classList.add('selrow');
  tr?.querySelector(`td[data-col="${state.selected.col}"]`)?.classList.add('sel');
}

// ---- variable view -------------------------------------------------------

function labelsText(v) { return v.valueLabels.map(([value, label]) => `${value} = ${label}`).join('\n'); }

function parseLabels(text) {
  return text.split('\n').filter((l) => l.trim()).map((l) => {
    const at = l.indexOf('=');
    if (at < 0) throw new Error(`"${l}": write each label as value = label`);
    return [l.slice(0, at).trim(), l.slice(at + 1).trim()];
  });
}

// One editable field: sent when changed; a refusal is shown beside it.
function field(cell, v, name, control, read) {
  const error = document.createElement('div');
  error.className = 'field-error';
  control.dataset.field = name;
  control.disabled = state.info.readOnly;
  control.addEventListener('change', async () => {
    try {
      error.textContent = '';
      await edit({ op: 'variable', variable: v.name, field: name, value: read(control) });
      say(`${v.name}: ${name} changed`);
    } catch (e) {
      error.textContent = e.message;
      say(`${v.name}: ${e.message}`, true);
    }
  });
  cell.append(control, error);
}

function input(value, type = 'text') { const i = document.createElement('input'); i.type = type; i.value = value; return i; }
function choice(value, options) {
  const s = document.createElement('select');
  for (const o of options) s.append(new Option(o, o));
  s.value = value;
  return s;
}

function showVariables() {
  const rows = state.variables.map((v) => {
    const tr = document.createElement('tr');
    tr.dataset.variable = v.name;
    const cell = (cls) => { const td = document.createElement('td'); if (cls) td.className = cls; tr.append(td); return td; };
    field(cell(), v, 'name', input(v.name), (c) => c.value);
    cell().textContent = v.type + (v.weight ? ' (weight)' : '');
    cell().textContent = v.width;
    field(cell(), v, 'format', input(v.format), (c) => c.value);
    field(cell('label'), v, 'label', input(v.label), (c) => c.value);
    const labels = document.createElement('textarea');
    labels.value = labelsText(v);
    labels.placeholder = 'value = label, one a line';
    labels.rows = Math.max(1, Math.min(4, v.valueLabels.length));
    field(cell(), v, 'valueLabels', labels, (c) => parseLabels(c.value));
    field(cell(), v, 'missing', input(v.missing), (c) => c.value);
    field(cell(), v, 'columns', input(v.columns, 'number'), (c) => Number(c.value));
    field(cell(), v, 'alignment', choice(v.alignment, ['left', 'right', 'center']), (c) => c.value);
    field(cell(), v, 'measure', choice(v.measure, ['unknown', 'nominal', 'ordinal', 'scale']), (c) => c.value);
    cell().textContent = v.role || '';
    const remove = document.createElement('button');
    remove.textContent = 'Delete';
    remove.title = `Delete ${v.name}`;
    remove.disabled = state.info.readOnly;
    remove.addEventListener('click', () => act(() => edit({ op: 'delete-variable', variable: v.name }), `${v.name} deleted`));
    cell().append(remove);
    return tr;
  });
  $('dictionary').tBodies[0].replaceChildren(...rows);
}

// ---- changes -------------------------------------------------------------

function showChanges() {
  const body = $('changes-body');
  body.textContent = 'Comparing with the file on disk…';
  api('/api/changes').then((c) => {
    const parts = [];
    const p = (text, cls) => { const e = document.createElement('p'); e.textContent = text; if (cls) e.className = cls; parts.push(e); };
    if (c.equal) p('The data set is the same as the file on disk.', 'equal');
    else p(`${c.dictionary.length} in the dictionary; ${c.valuesDiffering} value${c.valuesDiffering === 1 ? '' : 's'} in ${c.cases.differing} case${c.cases.differing === 1 ? '' : 's'}` +
      (c.onlySaved ? `; ${c.onlySaved} case(s) only on disk` : '') + (c.onlyEdited ? `; ${c.onlyEdited} case(s) added` : ''));
    const table = (head, rows) => {
      const t = document.createElement('table');
      const h = t.createTHead().insertRow();
      for (const x of head) { const th = document.createElement('th'); th.textContent = x; h.append(th); }
      const b = t.createTBody();
      for (const r of rows) { const tr = b.insertRow(); for (const x of r) tr.insertCell().textContent = x ?? '.'; }
      parts.push(t);
    };
    if (c.dictionary.length) table(['', 'name', 'field', 'on disk', 'edited'], c.dictionary.map((d) => [d.scope, d.name, d.field, d.a ?? '—', d.b ?? '—']));
    if (c.values.length) table(['case', 'variable', 'on disk', 'edited'], c.values.map((d) => [d.case, d.variable, d.a, d.b]));
    for (const n of c.notCompared) p(`${n}: not compared (a number on one side, a string on the other)`);
    body.replaceChildren(...parts);
  }).catch((e) => { body.textContent = e.message; });
}

// ---- wiring -----------------------------------------------------------

async function act(work, done) {
  try {
    await work();
    if (done) say(done);
  } catch (e) {
    say(e.message, true);
  }
}

function showView(name) {
  $('data').hidden = name !== 'data';
  $('variables').hidden = name !== 'variables';
  $('show-data').classList.toggle('on', name === 'data');
  $('show-variables').classList.toggle('on', name === 'variables');
  if (name === 'variables') showVariables(); else layout();
}

function wire() {
  $('download').href = `/download?token=${token}`;
  $('codebook').href = `/codebook?token=${token}`;
  $('show-data').onclick = () => showView('data');
  $('show-variables').onclick = () => showView('variables');
  $('grid').addEventListener('scroll', onScroll, { passive: true });
  window.addEventListener('resize', layout);
  $('labels').onchange = (e) => { state.labels = e.target.checked; buildHeader(); render(); };
  $('go').onclick = () => goTo(Number($('goto').value));
  $('goto').addEventListener('keydown', (e) => { if (e.key === 'Enter') goTo(Number($('goto').value)); });
  $('find').onclick = () => act(async () => {
    const variable = $('find-var').value;
    const from = state.selected.col === state.variables.findIndex((v) => v.name === variable) ? state.selected.row + 1 : 1;
    const found = (await api('/api/search', { variable, text: $('find-text').value, from })).case;
    if (!found) { say(`${variable}: no case from ${from} on holds ${$('find-text').value}`); return; }
    state.selected.col = state.variables.findIndex((v) => v.name === variable);
    showColumn(state.selected.col);
    goTo(found);
    say(`${variable}: found in case ${found}`);
  });
  $('add-case').onclick = () => act(async () => { await edit({ op: 'add-case' }); goTo(state.info.cases); }, 'Case added at the end');
  $('delete-case').onclick = () => act(() => edit({ op: 'delete-case', case: state.selected.row }), `Case ${state.selected.row} deleted`);
  $('undo').onclick = () => act(async () => refresh(await post('/api/undo')), 'Last edit undone');
  $('save').onclick = () => act(async () => refresh(await post('/api/save')), 'Saved');
  $('show-changes').onclick = () => { $('changes').hidden = false; showChanges(); };
  $('close-changes').onclick = () => { $('changes').hidden = true; };
  $('add-variable').onclick = () => act(() => edit({ op: 'add-variable', name: $('new-name').value, type: $('new-type').value, width: Number($('new-width').value) }),
    `${$('new-name').value} added`);
  $('file-label').onchange = () => act(() => edit({ op: 'file-label', value: $('file-label').value }), 'File label changed');
  const grid = $('grid');
  grid.addEventListener('click', (e) => {
    const td = e.target.closest('td[data-col]');
    if (!td || state.editing) return;
    select(Number(td.parentElement.dataset.case), Number(td.dataset.col));
    if (e.detail === 2) startEdit();
  });
  grid.addEventListener('keydown', (e) => {
    const s = state.selected;
    const moves = { ArrowDown: [1, 0], ArrowUp: [-1, 0], ArrowLeft: [0, -1], ArrowRight: [0, 1], PageDown: [state.visible, 0], PageUp: [-state.visible, 0] };
    if (moves[e.key]) { select(s.row + moves[e.key][0], s.col + moves[e.key][1]); e.preventDefault(); }
    else if (e.key === 'Enter' || e.key === 'F2') { startEdit(); e.preventDefault(); }
  });
}

wire();
refresh().then(() => say(state.info.readOnly ? 'Opened read-only: every edit is refused.'
  : 'Double-click a cell to edit it; edits are kept apart until Save.')).catch((e) => say(e.message, true));
