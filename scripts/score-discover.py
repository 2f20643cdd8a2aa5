#!/usr/bin/python3
"""How well `can-adapter-cli discover` finds the signals of real recordings.

Reads the recordings and public databases of ../shared/realcan (its
manifest.tsv), runs `discover --dbc` on each and scores the fields found
against the database, read with canmatrix alone; the frames are decoded with
a bit extraction of this script's own, checked against canmatrix's decode.

    scripts/score-discover.py [-v] [REALCAN] [CLI]

REALCAN defaults to ../shared/realcan beside the repository, CLI to the Debug
build's can-adapter-cli. -v lists each signal with the field it met.
"""
import csv, logging, os, re, subprocess, sys, tempfile
from collections import defaultdict
logging.disable(logging.CRITICAL)
import canmatrix, canmatrix.formats

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ARGS = [a for a in sys.argv[1:] if a != '-v']
REAL = ARGS[0] if ARGS else os.path.join(ROOT, '..', 'shared', 'realcan')
CLI = ARGS[1] if len(ARGS) > 1 else os.path.join(ROOT, 'build', 'debug', 'src', 'cli', 'can-adapter-cli')
MIN_CHANGES = 8
OUT = tempfile.mkdtemp(prefix='score-discover-')
# README caveat: declared unsigned, really two's complement
REALLY_SIGNED = {'MG_OutputRevolution', 'MG_EffectiveTorque', 'MotorAmpTorqueRequest', 'LB_Current'}
# README: the Leaf counters that step by one in every frame; Toyota: COUNTER
COUNTERS = {'VCM_Clock', 'MG_Clock', 'LB_PRUN_1DB', 'LB_PRUN_1DC', 'MPRUN', 'DistanceTraveled1',
            'PRUN_380', 'VCM_CLOCK', 'LB_PRUN_55B', 'PRUN_5BF', 'COUNTER'}
CHECKSUM = re.compile(r'CHECKSUM|^CRC_|^CSUM_')


def bits(sig):
    """Bit positions (byte*8 + bit in byte), least significant first."""
    if sig.is_little_endian:
        s = sig.get_startbit(bit_numbering=1, start_little=True)
        return list(range(s, s + sig.size))
    b, out = sig.get_startbit(bit_numbering=1, start_little=False), []
    for _ in range(sig.size):
        out.append(b)
        b = b - 1 if b % 8 else b + 15
    return out[::-1]


def raw(data, bl):
    return sum(((data[p // 8] >> (p % 8)) & 1) << i for i, p in enumerate(bl))


def read_log(path):
    frames = defaultdict(list)
    for line in open(path):
        m = re.match(r'\((\S+)\) \S+ ([0-9A-Fa-f]+)#([0-9A-Fa-f]*)', line)
        if m:
            frames[int(m[2], 16)].append(bytes.fromhex(m[3]))
    return frames


def kind(name):
    return re.match(r'[A-Za-z]+?(?=0x)', name)[0]   # Checksum, Counter, Enum, Flag, F (continuous)


def score(log, dbc):
    name = os.path.basename(log).rsplit('.', 1)[0]
    out_dbc = f'{OUT}/{name}.dbc'
    subprocess.run(['nice', CLI, 'discover', log, '--dbc', out_dbc], check=True,
                   stdout=open(f'{OUT}/{name}.txt', 'w'))
    db, found = canmatrix.formats.loadp_flat(dbc), canmatrix.formats.loadp_flat(out_dbc)
    frames = read_log(log)
    rows = []   # one per changing database signal
    for fr in db.frames:
        fid = fr.arbitration_id.id
        if fr.name == 'VECTOR__INDEPENDENT_SIG_MSG' or fid not in frames:
            continue
        data = frames[fid]
        nbits = 8 * min(len(d) for d in data)          # respect the real frame length
        mux = next((s for s in fr.signals if s.multiplex == 'Multiplexor'), None)
        sigs = []
        for s in fr.signals:
            bl = bits(s)
            if max(bl) >= nbits:
                continue
            sel = data
            if s.mux_val is not None and s.multiplex != 'Multiplexor':
                sel = [d for d in data if raw(d, bits(mux)) == s.mux_val]
            if not sel:
                continue
            d0 = fr.decode(sel[0]) if max(bits(mux) if mux else [0]) < nbits and len(sel[0]) >= fr.size else {}
            if s.name in d0:   # check our extraction against canmatrix
                assert d0[s.name].raw_value % (1 << s.size) == raw(sel[0], bl), (fr.name, s.name)
            moving = {p for p in bl if len({(d[p // 8] >> (p % 8)) & 1 for d in sel}) > 1}
            if moving:
                sigs.append((s, bl, moving))
        ff = found.frame_by_id(canmatrix.ArbitrationId(fid, extended=fid > 0x7FF))
        fields = [(f, set(bits(f))) for f in (ff.signals if ff else [])]
        for s, bl, moving in sigs:
            best = max(fields, key=lambda f: (len(f[1] & moving), -len(f[1])), default=None)
            if best and not best[1] & moving:
                best = None
            others = [o for o, _, om in sigs if o is not s and not (
                s.mux_val is not None and o.mux_val is not None and s.mux_val != o.mux_val)
                and best and best[1] & om]
            covered = bool(best) and moving <= best[1]
            db_signed = s.is_signed or s.name in REALLY_SIGNED
            negative = db_signed and any(raw(d, bl) >> (s.size - 1) for d in sel)
            rows.append(dict(
                name=f'{fr.name}.{s.name}', size=s.size, covered=covered,
                exact=covered and best[1] == set(bl), within=covered and best[1] <= set(bl),
                straddle=bool(others), db_signed=db_signed,
                sign_ok=covered and best[0].is_signed == db_signed, negative=negative,
                sign_obs=covered and best[0].is_signed == negative, nmoving=len(moving),
                crosses=len({p // 8 for p in moving}) > 1,
                order_ok=covered and best[0].is_little_endian == s.is_little_endian,
                changes=sum(raw(a, bl) != raw(b, bl) for a, b in zip(sel, sel[1:])),
                counter=s.name in COUNTERS, checksum=bool(CHECKSUM.search(s.name)),
                kind=kind(best[0].name) if best else '-', field=best[0].name if best else '-'))
    return name, rows


def table(title, rows):
    big = [r for r in rows if r['size'] >= 4]
    cov = [r for r in big if r['covered']]
    sgn = [r for r in cov if r['db_signed']]
    neg = [r for r in cov if r['negative']]
    mov4 = [r for r in big if r['nmoving'] >= 4]
    # A value that changed a few times only (a start-up jump, a reading
    # taken twice) leaves too little to tell its bits from a neighbour's.
    seen = [r for r in mov4 if r['changes'] >= MIN_CHANGES]
    cro = [r for r in cov if r['crosses']]
    cnt = [r for r in rows if r['counter']]
    chk = [r for r in rows if r['checksum']]
    n = lambda rs, k: sum(r[k] for r in rs)
    pct = lambda a, b: f'{a}/{b} ({100 * a / b:.0f} %)' if b else f'{a}/0'
    print(f'\n{title}')
    for label, val in [
        ('changing db signals >= 4 bits', str(len(big))),
        ('moving bits inside one found field', pct(len(cov), len(big))),
        ('  of those with >= 4 moving bits', pct(n(mov4, 'covered'), len(mov4))),
        (f'    and >= {MIN_CHANGES} value changes', pct(n(seen, 'covered'), len(seen))),
        ('  field = exactly the signal bits', pct(n(big, 'exact'), len(big))),
        ('  field inside the signal (no spill)', pct(n(big, 'within'), len(big))),
        ('found field straddles >= 2 moving signals', pct(n(big, 'straddle'), len(big))),
        ('sign right (of covered)', pct(n(cov, 'sign_ok'), len(cov))),
        ('  declared signed found signed', pct(n(sgn, 'sign_ok'), len(sgn))),
        ('sign right vs data (signed = goes negative)', pct(n(cov, 'sign_obs'), len(cov))),
        ('  negative-going signals found signed', pct(n(neg, 'sign_obs'), len(neg))),
        ('byte order right (covered, crossing bytes)', pct(n(cro, 'order_ok'), len(cro))),
        ('counters (any size) -> Counter field covering', pct(sum(r['covered'] and r['kind'] == 'Counter' for r in cnt), len(cnt))),
        ('checksums (any size) -> Checksum field covering', pct(sum(r['covered'] and r['kind'] == 'Checksum' for r in chk), len(chk))),
        ('checksums: best-overlap field is Checksum', pct(sum(r['kind'] == 'Checksum' for r in chk), len(chk))),
    ]:
        print(f'  {label:<50} {val}')


if __name__ == '__main__':
    allrows = []
    for m in csv.DictReader(open(f'{REAL}/manifest.tsv'), delimiter='\t'):
        name, rows = score(f"{REAL}/{m['recording']}", f"{REAL}/{m['database']}")
        table(name, rows)
        allrows += rows
        if '-v' in sys.argv:
            for r in rows:
                print(f"    {r['name']:<45} {r['size']:>2}b mv={r['nmoving']:>2} ch={r['changes']:>5} cov={r['covered']:d} exact={r['exact']:d} "
                      f"strad={r['straddle']:d} sign={r['sign_ok']:d}/{r['sign_obs']:d} {r['field']}")
    table('TOTAL', allrows)
