"""Kills a conversion of INPUT once its temporary file has data in it, then checks that OUTPUT
still holds what it held before and that at most the temporary file is left beside it.
Run in the folder of INPUT. Usage: kill_midway.py OUTPUT COMMAND...  (COMMAND converts INPUT)"""
import os
import signal
import subprocess
import sys
import time

output, *command = sys.argv[1:]
with open(output, 'rb') as f:
    old = f.read()
before = set(os.listdir('.'))
process = subprocess.Popen(command, stdin=subprocess.DEVNULL)
deadline = time.monotonic() + 60
while process.poll() is None and time.monotonic() < deadline:
    temporary = [name for name in os.listdir('.') if name.endswith('.wpconv-tmp')]
    if temporary and os.path.getsize(temporary[0]) > 0:
        os.kill(process.pid, signal.SIGKILL)
        break
    time.sleep(0.002)
process.wait()
if process.returncode != -signal.SIGKILL:
    sys.exit(f'FAIL: the conversion ended (status {process.returncode}) before it was killed')
with open(output, 'rb') as f:
    if f.read() != old:
        sys.exit('FAIL: the old output was replaced or damaged')
extra = sorted(set(os.listdir('.')) - before)
if len(extra) != 1 or not extra[0].startswith(output + '.'):
    sys.exit(f'FAIL: left beside the output: {extra}')
print(f'killed mid-way: {output} kept, {extra[0]} left')
