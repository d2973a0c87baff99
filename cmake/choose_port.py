"""Prints a loopback port for a build folder's test web server: free now, and the same folder
tends to get the same port again. Ports come from below the ephemeral range, where no outgoing
connection of another program takes them in passing."""
import hashlib
import socket
import sys

FIRST, COUNT = 20000, 10000


def free(port):
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        try:
            s.bind(("127.0.0.1", port))
            return True
        except OSError:
            return False


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    start = int(hashlib.sha1(folder.encode()).hexdigest(), 16) % COUNT
    for step in range(COUNT):
        port = FIRST + (start + step) % COUNT
        if free(port):
            print(port)
            return 0
    print("no free port in %d-%d" % (FIRST, FIRST + COUNT - 1), file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
