"""Prints the messages of a maildir as JSON, read with Python's own email parser.

Per message: the envelope (X-MailFrom, X-RcptTo), the raw and decoded headers, the body's
charset, transfer encoding and decoded text, the longest raw line in bytes, and the longest raw
header line that holds an encoded word.
"""
import email
import email.header
import email.policy
import email.utils
import json
import mailbox
import re
import sys


def decoded(value):
    return str(email.header.make_header(email.header.decode_header(value)))


def words_end_ascii(word):
    """An ISO-2022-JP word must be back in ASCII before its end."""
    text, charset = email.header.decode_header(word)[0]
    return b"\x1b" not in text or text.endswith(b"\x1b(B")


def encoded_words(raw_value):
    return re.findall(r"=\?[^?]+\?[bBqQ]\?[^?]*\?=", raw_value)


def to_lines(header_lines):
    """The lengths of the raw lines of the To field, its continuation lines included."""
    lengths, inside = [], False
    for line in header_lines:
        if line[:1] in (b" ", b"\t"):
            if inside:
                lengths.append(len(line))
            continue
        inside = line.lower().startswith(b"to:")
        if inside:
            lengths.append(len(line))
    return lengths


def main(folder):
    out = []
    for key in sorted(mailbox.Maildir(folder, create=False).keys()):
        raw = mailbox.Maildir(folder, create=False).get_bytes(key)
        msg = email.message_from_bytes(raw, policy=email.policy.compat32)
        lines = raw.split(b"\n")
        header_lines = raw.replace(b"\r\n", b"\n").split(b"\n\n", 1)[0].split(b"\n")
        subject_raw = msg.get("Subject", "")
        to_raw = msg.get("To", "")
        modern = email.message_from_bytes(raw, policy=email.policy.default)
        out.append({
            "mail_from": msg.get("X-MailFrom", ""),
            "rcpt_to": [a.strip() for a in msg.get("X-RcptTo", "").split(",") if a.strip()],
            "from": msg.get("From", ""),
            "to": [a for _, a in email.utils.getaddresses(msg.get_all("To", []))],
            "to_raw": to_raw,
            "to_names": [a.display_name for a in modern["To"].addresses] if modern["To"] else [],
            "to_charsets": [w.split("?")[1].lower() for w in encoded_words(to_raw)],
            "to_words_end_ascii": all(words_end_ascii(w) for w in encoded_words(to_raw)),
            "has_bcc": msg.get("Bcc") is not None,
            "subject_raw": subject_raw,
            "subject": decoded(subject_raw),
            "subject_words": [w for w in subject_raw.split() if w.startswith("=?")],
            "date": msg.get("Date", ""),
            "message_id": msg.get("Message-ID", ""),
            "mime_version": msg.get("MIME-Version", ""),
            "charset": msg.get_content_charset() or "",
            "cte": msg.get("Content-Transfer-Encoding", ""),
            "body": msg.get_payload(decode=True).decode(msg.get_content_charset() or "ascii"),
            "words_end_ascii": all(words_end_ascii(w) for w in subject_raw.split() if w.startswith("=?")),
            "longest_line": max(len(l.rstrip(b"\r")) for l in lines),
            "longest_encoded_header_line": max([len(l) for l in header_lines if b"=?" in l] or [0]),
            "longest_to_line": max(to_lines(header_lines) or [0]),
            "all_7bit": all(b < 0x80 for b in raw),
        })
    json.dump(out, sys.stdout, ensure_ascii=False)


main(sys.argv[1])
