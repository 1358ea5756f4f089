#!/usr/bin/env python3
"""The same submission run over http and over https through the demo farm, against curl.

Usage: https_vs_http.py PELVARO_CLI SITE.sit [--delay MS] [--threads N] [--rounds K]

Every service of the catalogue next to PELVARO_CLI is selected; `prepare` says what a run
sends. For https the copied catalogue's addresses are rewritten to https:// and the farm
(its CONNECT side, certificates from its own CA) answers them. Each variant runs K rounds of
`pelvaro-cli submit` and of `curl --parallel --parallel-max N` over the same requests (same
proxy, same bodies, HTTP/1.0, the farm's CA), plus pelvaro with TLS session reuse off
(PELVARO_TLS_SESSIONS=0). Prints median wall time and CPU per exchange. Needs curl.
PELVARO_HOME and XDG_CONFIG_HOME point at fresh folders, so no user data is touched."""
import argparse, os, shutil, socket, sqlite3, statistics, subprocess, sys, tempfile, time
import urllib.parse


def free_port():
    s = socket.socket()
    s.bind(('127.0.0.1', 0))
    p = s.getsockname()[1]
    s.close()
    return p


def timed(cmd, env):
    t0 = time.monotonic()
    p = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, _, ru = os.wait4(p.pid, 0)
    return time.monotonic() - t0, ru.ru_utime + ru.ru_stime


def variant(cli, site, a, https):
    work = tempfile.mkdtemp(prefix='tls-')
    env = dict(os.environ, PELVARO_HOME=os.path.join(work, 'home'),
               XDG_CONFIG_HOME=os.path.join(work, 'cfg'), QT_QPA_PLATFORM='offscreen')
    daten = os.path.join(env['PELVARO_HOME'], 'daten')
    shutil.copytree(os.path.join(os.path.dirname(cli), 'daten'), daten)
    if https:
        db = sqlite3.connect(os.path.join(daten, 'pelvarodaten.db'))
        db.execute("UPDATE dba SET Action = 'https://' || substr(Action, 8) "
                   "WHERE Action LIKE 'http://%'")
        db.commit()
        db.close()
    own_site = os.path.join(work, 'site.sit')
    shutil.copy(site, own_site)
    ca = os.path.join(work, 'farm-ca.pem')
    port = free_port()
    farm = subprocess.Popen([cli, 'demo-server', '--port', str(port), '--delay', str(a.delay),
                             '--ca-out', ca], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):
            if os.path.exists(ca):
                break
            time.sleep(0.05)
        proxy = '127.0.0.1:%d' % port
        subprocess.run([cli, 'catalogue', 'select', '--all'], env=env, stdout=subprocess.DEVNULL,
                       check=True)
        prep = subprocess.run([cli, 'prepare', own_site], env=env, capture_output=True, text=True,
                              check=True).stdout
        sends = [l.split('\t') for l in prep.splitlines() if l.startswith('SEND\t')]
        pages = os.path.join(work, 'curl-pages')
        os.makedirs(pages)
        groups = []
        for i, f in enumerate(sends):
            url = urllib.parse.quote(f[3], safe=":/?&=%@;,+$!*'()[]#~").replace('"', '%22')
            g = ['url = "%s"' % url, 'proxy = "%s"' % proxy, 'globoff', 'http1.0', 'silent',
                 'cacert = "%s"' % ca, 'output = "%s/%d.html"' % (pages, i)]
            if f[4] != 'XXX':
                g.append('data-binary = "%s"' % f[4].replace('\\', '\\\\').replace('"', '\\"'))
            groups.append('\n'.join(g))
        cfg = os.path.join(work, 'curl.cfg')
        with open(cfg, 'w', encoding='utf-8') as fh:
            fh.write('\nnext\n'.join(groups) + '\n')
        submit = [cli, 'submit', own_site, '--threads', str(a.threads), '--proxy', proxy,
                  '--ca-file', ca]
        fresh = dict(env, PELVARO_TLS_SESSIONS='0')
        ours, off, peer = [], [], []
        for _ in range(a.rounds):
            for target, e in ((ours, env), (off, fresh)):
                subprocess.run([cli, 'catalogue', 'select', '--all'], env=env,
                               stdout=subprocess.DEVNULL, check=True)
                target.append(timed(submit, e))
            peer.append(timed(['curl', '--parallel', '--parallel-max', str(a.threads), '-K', cfg],
                              env))
        n = len(sends)
        med = lambda xs, k: statistics.median(x[k] for x in xs)
        label = 'https' if https else 'http'
        for name, xs in (('pelvaro', ours), ('pelvaro sessions off', off), ('curl', peer)):
            print('%-5s %-21s requests=%d wall=%.3fs cpu/exchange=%.3fms' % (
                label, name, n, med(xs, 0), med(xs, 1) / n * 1000))
        return med(ours, 0), med(ours, 1) / n, med(peer, 1) / n
    finally:
        farm.terminate()
        farm.wait()
        shutil.rmtree(work, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('cli')
    ap.add_argument('site')
    ap.add_argument('--delay', type=int, default=100)
    ap.add_argument('--threads', type=int, default=24)
    ap.add_argument('--rounds', type=int, default=5)
    a = ap.parse_args()
    cli = os.path.abspath(a.cli)
    plain = variant(cli, os.path.abspath(a.site), a, False)
    tls = variant(cli, os.path.abspath(a.site), a, True)
    print('https/http wall: %+.1f %%   https cpu/exchange ours/curl: %.2f' % (
        (tls[0] / plain[0] - 1) * 100, tls[1] / tls[2]))


if __name__ == '__main__':
    sys.exit(main())
