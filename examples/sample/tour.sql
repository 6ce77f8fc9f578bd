-- A short tour of tnxsql on the sample database (see sample.sql): a join, an aggregate, an update
-- in a transaction, a query with a host-variable value, a server message and a backup.
-- scripts/run-main.sh runs it in the folder that holds sample.db; the backup goes next to it.

-- A join: the five most recent orders not shipped yet, with their customer and city. A customer
-- without a city shows NULL.
SELECT o.id, o.ordered, c.name AS customer, ci.name AS city, c.email
FROM orders o
JOIN customer c ON c.id = o.customer
LEFT JOIN city ci ON ci.id = c.city
WHERE o.shipped IS NULL
ORDER BY o.ordered DESC, o.id DESC
LIMIT 5;

-- An aggregate: orders, items and revenue per country.
SELECT coalesce(ci.country, '(no city)') AS country,
       count(DISTINCT o.id) AS orders,
       sum(l.quantity) AS items,
       round(sum(l.quantity * p.price), 2) AS revenue
FROM order_line l
JOIN orders o ON o.id = l.order_id
JOIN product p ON p.id = l.product
JOIN customer c ON c.id = o.customer
LEFT JOIN city ci ON ci.id = c.city
GROUP BY 1
ORDER BY revenue DESC;

-- An update in a transaction: the orders placed before 15 December 2026 are shipped now.
\begin
UPDATE orders SET shipped = '2026-12-08 09:30:00' WHERE shipped IS NULL AND ordered < '2026-12-15';
\commit
SELECT count(*) AS still_to_ship FROM orders WHERE shipped IS NULL;

-- A host-variable marker takes its value from \param (or --param on the command line); the long
-- description is cut for the table, with a mark.
\param min:float=180
SELECT id, name, price, description FROM product WHERE price >= :min ORDER BY price DESC;

-- The server talks back while a statement runs.
MESSAGE 'tour finished; backing up' TYPE INFO TO CLIENT;

-- A backup of the running database, with a progress bar on a terminal.
\backup sample-backup
