"""Reads an exported mbox with Python's mailbox module and compares every
mail with the expected fields (a JSON list); prints what differs."""
import email
import email.policy
import json
import mailbox
import sys


def main(mbox_path, expected_path):
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    box = mailbox.mbox(mbox_path, factory=None, create=False)
    faults = []
    keys = list(box.keys())
    if len(keys) != len(expected):
        faults.append(f"{len(keys)} mails, expected {len(expected)}")
    for key, want in zip(keys, expected):
        raw = box.get_bytes(key)
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        where = want["message_id"]
        for line in raw.split(b"\n\n", 1)[0].split(b"\n"):
            if len(line) > 78:
                faults.append(f"{where}: header line of {len(line)} columns")
        for line in raw.split(b"\n"):
            if len(line) > 998:
                faults.append(f"{where}: line of {len(line)} octets")
        got = {
            "subject": str(msg["subject"]),
            "from_name": msg["from"].addresses[0].display_name,
            "message_id": str(msg["message-id"]),
            "in_reply_to": str(msg["in-reply-to"] or ""),
            "references": " ".join(str(msg["references"] or "").split()),
            "board": str(msg["x-pelarin-board"]),
            "body": msg.get_payload(decode=True).decode("utf-8"),
        }
        for field, value in got.items():
            if value != want[field]:
                faults.append(f"{where}: {field} {value!r:.200}, expected {want[field]!r:.200}")
    print("\n".join(faults) if faults else "ok")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
