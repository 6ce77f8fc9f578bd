-- The sample database: a small shop with customers, products, orders and their lines.
-- Run it on a new database:  tnxsql --create sample.db -f examples/sample/sample.sql
-- The rows are computed, not random, so every run builds the same database: 500 customers (some
-- without an e-mail address or a city), 40 products (each with a long description), 2,000 orders
-- (the recent ones not shipped yet) and about 5,000 order lines.

CREATE TABLE city (
    id      INT PRIMARY KEY,
    name    VARCHAR(40) NOT NULL,
    country VARCHAR(40) NOT NULL
);

CREATE TABLE customer (
    id     INT PRIMARY KEY,
    name   VARCHAR(60) NOT NULL,
    email  VARCHAR(80),          -- NULL: the customer gave none
    city   INT REFERENCES city(id),
    joined DATE NOT NULL
);

CREATE TABLE product (
    id          INT PRIMARY KEY,
    name        VARCHAR(40) NOT NULL,
    price       DOUBLE NOT NULL,
    in_stock    INT NOT NULL,
    description LONG VARCHAR     -- several hundred characters each
);

CREATE TABLE orders (
    id       INT PRIMARY KEY,
    customer INT NOT NULL REFERENCES customer(id),
    ordered  DATE NOT NULL,
    shipped  TIMESTAMP           -- NULL: not shipped yet
);

CREATE TABLE order_line (
    order_id INT NOT NULL REFERENCES orders(id),
    line     INT NOT NULL,
    product  INT NOT NULL REFERENCES product(id),
    quantity INT NOT NULL,
    PRIMARY KEY (order_id, line)
);

CREATE INDEX orders_customer ON orders(customer);
CREATE INDEX order_line_product ON order_line(product);

INSERT INTO city VALUES
    (1, 'Lisbon', 'Portugal'), (2, 'Porto', 'Portugal'), (3, 'Madrid', 'Spain'),
    (4, 'Seville', 'Spain'), (5, 'Lyon', 'France'), (6, 'Nantes', 'France'),
    (7, 'Turin', 'Italy'), (8, 'Bologna', 'Italy'), (9, 'Ghent', 'Belgium'), (10, 'Utrecht', 'Netherlands');

-- Customers: names from two lists; every seventh has no e-mail address, every thirteenth no city.
INSERT INTO customer
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500)
SELECT i,
       (SELECT f FROM (SELECT 'Ana' AS f, 0 AS k UNION ALL SELECT 'Bruno', 1 UNION ALL SELECT 'Carla', 2
                       UNION ALL SELECT 'Diego', 3 UNION ALL SELECT 'Elise', 4 UNION ALL SELECT 'Filipe', 5
                       UNION ALL SELECT 'Greta', 6 UNION ALL SELECT 'Hugo', 7 UNION ALL SELECT 'Ines', 8
                       UNION ALL SELECT 'Joost', 9) WHERE k = i % 10)
       || ' ' ||
       (SELECT l FROM (SELECT 'Almeida' AS l, 0 AS k UNION ALL SELECT 'Bianchi', 1 UNION ALL SELECT 'Costa', 2
                       UNION ALL SELECT 'Dubois', 3 UNION ALL SELECT 'Esposito', 4 UNION ALL SELECT 'Ferreira', 5
                       UNION ALL SELECT 'Garcia', 6 UNION ALL SELECT 'Janssens', 7 UNION ALL SELECT 'Lopez', 8
                       UNION ALL SELECT 'Martin', 9 UNION ALL SELECT 'Peeters', 10) WHERE k = (i * 7) % 11),
       CASE WHEN i % 7 = 0 THEN NULL ELSE 'customer' || i || '@example.com' END,
       CASE WHEN i % 13 = 0 THEN NULL ELSE 1 + (i * 3) % 10 END,
       date('2024-01-01', '+' || ((i * 37) % 700) || ' days')
FROM n;

-- Products: a price between 2 and 200, a stock level, and a long description.
INSERT INTO product
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)
SELECT i,
       (SELECT w FROM (SELECT 'Ceramic' AS w, 0 AS k UNION ALL SELECT 'Oak', 1 UNION ALL SELECT 'Linen', 2
                       UNION ALL SELECT 'Copper', 3 UNION ALL SELECT 'Glass', 4) WHERE k = i % 5)
       || ' ' ||
       (SELECT w FROM (SELECT 'bowl' AS w, 0 AS k UNION ALL SELECT 'lamp', 1 UNION ALL SELECT 'tray', 2
                       UNION ALL SELECT 'vase', 3 UNION ALL SELECT 'stool', 4 UNION ALL SELECT 'mug', 5
                       UNION ALL SELECT 'clock', 6 UNION ALL SELECT 'frame', 7) WHERE k = (i / 5) % 8),
       round(2 + ((i * 4099 + 1234) % 19789) / 100.0, 2),
       (i * 31) % 120,
       'Made by hand in small batches. ' ||
       replace(hex(zeroblob(20 + i % 10)), '00', 'Each piece differs a little from the next. ') ||
       'Care: wipe with a soft, dry cloth.'
FROM n;

-- Orders: spread over two years; the last hundred are not shipped yet.
INSERT INTO orders
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)
SELECT i,
       1 + (i * 53) % 500,
       date('2025-01-01', '+' || (i * 365 / 1000) || ' days'),
       CASE WHEN i > 1900 THEN NULL
            ELSE datetime('2025-01-01', '+' || (i * 365 / 1000 + 1 + i % 4) || ' days', '+' || (8 + i % 9) || ' hours')
       END
FROM n;

-- Order lines: one to four per order.
INSERT INTO order_line
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 8000)
SELECT 1 + (i - 1) / 4, 1 + (i - 1) % 4, 1 + (i * 17) % 40, 1 + (i * 5) % 6
FROM n
WHERE (i - 1) % 4 < 1 + ((1 + (i - 1) / 4) * 3) % 4;
