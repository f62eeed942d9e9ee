#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copies the receipts of an SQLite journal (one journalgen made) into the empty journal on the server
# named by SELVARO_PG_HOST, SELVARO_PG_PORT, SELVARO_PG_USER and SELVARO_PG_DB, through COPY: recording a
# million receipts a statement at a time over the connection takes far longer. The server's tables must
# exist (the program makes them at the first opening: run bench_journal against it once). The search
# copy is made on the server the way the program folds it: lower case, U+0001 before every word.
# Usage: bench/journal-to-server.sh JOURNAL.sqlite
set -euo pipefail
file="${1:?usage: $0 JOURNAL.sqlite}"
psql=(psql -h "$SELVARO_PG_HOST" -p "$SELVARO_PG_PORT" -U "$SELVARO_PG_USER" -d "$SELVARO_PG_DB" -v ON_ERROR_STOP=1 -q)
receipts="id, number, issued_at, date_printed, seller_header, seller_name, total, total_kopecks, words, issued_to, copy_of, uid, duplicate"
lines="receipt_id, position, num, name, unit, quantity, price, sum"

sqlite3 -csv "$file" "SELECT $receipts FROM receipts ORDER BY id" |
    "${psql[@]}" -c "\\copy receipts ($receipts) FROM STDIN WITH (FORMAT csv)"
sqlite3 -csv "$file" "SELECT $lines FROM receipt_lines ORDER BY receipt_id, position" |
    "${psql[@]}" -c "\\copy receipt_lines ($lines) FROM STDIN WITH (FORMAT csv)"
"${psql[@]}" <<'EOF'
CREATE FUNCTION pg_temp.search_form(text) RETURNS text
    LANGUAGE sql IMMUTABLE AS $$ SELECT regexp_replace(lower($1), '([[:alnum:]]+)', E'\x01\\1', 'g') $$;
-- The words, the pairs of words in a row (here across fields too, which finds nothing more) and the
-- signs, each once.
CREATE FUNCTION pg_temp.words(text) RETURNS tsvector
    LANGUAGE sql IMMUTABLE AS $$
    SELECT array_to_tsvector(ARRAY(
        SELECT DISTINCT t
        FROM (SELECT left(w[1], 100) AS word, lag(left(w[1], 100)) OVER (ORDER BY n) AS before
              FROM regexp_matches(lower($1), '[[:alnum:]]+', 'g') WITH ORDINALITY m(w, n)) ws,
             LATERAL (VALUES (word), (before || E'\x01' || word)) v(t)
        WHERE t IS NOT NULL
        UNION SELECT s[1] FROM regexp_matches($1, '[^[:alnum:][:space:]]', 'g') m(s))) $$;
-- The search indexes are made again once the rows are in: faster than keeping them up row by row.
DROP INDEX IF EXISTS receipt_search_trgm;
DROP INDEX receipt_search_words;
INSERT INTO receipt_search (id, number, seller_name, seller_header, names, words)
    SELECT id, pg_temp.search_form(number), pg_temp.search_form(seller_name), pg_temp.search_form(seller_header),
           pg_temp.search_form(names), pg_temp.words(number || ' ' || seller_name || ' ' || seller_header || ' ' || names)
    FROM (SELECT r.id, r.number, r.seller_name, r.seller_header,
                 coalesce((SELECT string_agg(l.name, E'\n' ORDER BY l.position) FROM receipt_lines l WHERE l.receipt_id = r.id), '') names
          FROM receipts r) r;
CREATE INDEX receipt_search_words ON receipt_search USING gin (words) WITH (fastupdate = off);
CREATE INDEX receipt_search_trgm ON receipt_search
    USING gin ((number || E'\x02' || seller_name || E'\x02' || seller_header || E'\x02' || names) gin_trgm_ops) WITH (fastupdate = off);
SELECT setval(pg_get_serial_sequence('receipts', 'id'), (SELECT max(id) FROM receipts));
ANALYZE receipts, receipt_lines, receipt_search;
EOF
