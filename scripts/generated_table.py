"""The one step the table generators share: write a generated table, or, with --check, fail
when the committed file differs from what its source gives now."""
import sys


def write_or_check(path, text, source):
    """Writes `text` to `path`, or with --check compares them; `source` names what it came from."""
    if sys.argv[1:] == ['--check']:
        with open(path, encoding='ascii') as f:
            if f.read() != text:
                sys.exit(f'{path} differs from {source}; rerun {sys.argv[0]}')
        return
    with open(path, 'w', encoding='ascii') as f:
        f.write(text)
